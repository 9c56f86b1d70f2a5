# Cross-built programs run under Wine: CTest puts this emulator in front of every test whose
# command is one of our executables. The second item is the Wine prefix, one per build folder,
# made on first use by the script. Include this before any target is created: a target takes
# its emulator when it is made.
find_program(TGW_WINE wine)
if(NOT TGW_WINE)
  message(WARNING "wine not found: the Windows tests cannot run")
endif()

set(TGW_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${TGW_WINE_PREFIX}")
