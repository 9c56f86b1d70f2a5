# Cross build for 64-bit Windows with Debian's mingw-w64 (win32 thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)


# Every program is self-contained: the GCC and C++ runtimes are linked in, so no mingw DLL
# (libstdc++-6, libgcc_s, libwinpthread) has to travel with it. Small (the preset asks for -Oz;
# the setup image is also optimised at link time, see src/wizard/win32):
# - unused code is dropped (sections per function, collected by the linker);
# - no program of ours asks a type at run time (typeid, dynamic_cast), so classes carry no type
#   information beyond what exceptions need (which the compiler keeps).
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections -fno-rtti")
# One partition where a link optimises intermediate code: GCC 12 for mingw-w64 fails inside a
# partitioned link of the setup's code.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections -flto-partition=none")
