# No planted DLL runs in a program of ours. Such a program is started from a folder where anyone
# may have left a DLL named like a system one (a downloads folder, a deployment share), and
# Windows looks for a program's DLLs in the program's folder first. So the program imports only
# KERNEL32 and msvcrt at load time (DLLs the loader always takes from the system), restricts the
# search to the system folder as the first statement of its entry point
# (SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)), and delay-loads every other DLL: it
# is loaded at its first call, after that statement.
#
#   tgw_harden_dll_loading(<target> DEF_FOLDER <folder> DELAY_LOAD <dll>...)
#
# <folder>/<dll>.def lists the functions the program calls of each delay-loaded DLL; dlltool
# makes the delay-load import library from it. The system's import libraries of those DLLs (and
# of the others that the compiler driver and CMake add to every link) are shadowed for the
# program by empty archives of the same names: a function missing from the lists fails the link
# rather than adding a static import. tests/win32 checks the import tables of the results.
#
# The program also gets the load configuration of src/platform/win32/load_config.cpp, which asks
# Windows 10 and later to take even the load-time imports from the system folder. GNU ld links the
# structure but leaves the directory that points at it empty: the native tgwloadcfg
# (TGW_LOADCFG, built by the native preset) sets it after the link, from the link's map.

include_guard(GLOBAL)

set(TGW_LOADCFG "${CMAKE_SOURCE_DIR}/build/native/tools/loadcfg/tgwloadcfg"
  CACHE FILEPATH "The native tgwloadcfg that sets a program's load-configuration directory")
set(TGW_LOAD_CONFIG_SOURCE "${CMAKE_SOURCE_DIR}/src/platform/win32/load_config.cpp")

function(tgw_harden_dll_loading target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DEF_FOLDER" "DELAY_LOAD")
  if(NOT arg_DEF_FOLDER OR NOT arg_DELAY_LOAD)
    message(FATAL_ERROR "tgw_harden_dll_loading(${target}): DEF_FOLDER and DELAY_LOAD are needed")
  endif()
  set(shadowed ${arg_DELAY_LOAD} advapi32 comctl32 comdlg32 gdi32 ole32 oleaut32 shell32 user32
               winspool)
  list(REMOVE_DUPLICATES shadowed)
  set(folder "${CMAKE_CURRENT_BINARY_DIR}/${target}-delay")
  set(shadow_folder "${folder}/shadow")
  file(MAKE_DIRECTORY "${shadow_folder}")
  foreach(dll IN LISTS shadowed)
    file(CONFIGURE OUTPUT "${shadow_folder}/lib${dll}.a" CONTENT "!<arch>\n")  # an empty archive
  endforeach()
  set(libraries "")
  foreach(dll IN LISTS arg_DELAY_LOAD)
    set(def "${arg_DEF_FOLDER}/${dll}.def")
    set(library "${folder}/lib${dll}_delay.a")
    add_custom_command(
      OUTPUT "${library}"
      COMMAND "${CMAKE_DLLTOOL}" --input-def "${def}" --output-delaylib "${library}"
      DEPENDS "${def}"
      COMMENT "Making the delay-load import library of ${dll}.dll for ${target}"
      VERBATIM)
    list(APPEND libraries "${library}")
  endforeach()
  add_custom_target(${target}_delay_imports DEPENDS ${libraries})
  add_dependencies(${target} ${target}_delay_imports)
  target_link_directories(${target} BEFORE PRIVATE "${shadow_folder}")
  # The delay-load helper (__delayLoadHelper2) is in mingwex, which every link has.
  target_link_libraries(${target} PRIVATE ${libraries} delayimp)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})

  target_sources(${target} PRIVATE "${TGW_LOAD_CONFIG_SOURCE}")
  set(map "${CMAKE_CURRENT_BINARY_DIR}/${target}.map")
  target_link_options(${target} PRIVATE "LINKER:-Map=${map}"
                      "LINKER:--require-defined=_load_config_used")
  if(EXISTS "${TGW_LOADCFG}")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "${TGW_LOADCFG}" --set "$<TARGET_FILE:${target}>" --map "${map}"
      COMMENT "Setting the load-configuration directory of ${target}"
      VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${TGW_LOADCFG}")
  else()
    message(WARNING "${TGW_LOADCFG} is missing (build the native preset first): ${target} is made "
                    "without its load-configuration directory, and its check fails")
  endif()
endfunction()
