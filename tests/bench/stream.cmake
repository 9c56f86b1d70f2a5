# setup-image-nopause.exe (stream.sh): setup_image with pause.cpp compiled again with
# TGW_NO_PAUSES, whose Pause is taken before the wizard library's.
set(setup_win32 "${CMAKE_SOURCE_DIR}/src/wizard/win32")
add_executable(setup_image_nopause WIN32
  "${setup_win32}/setup_main.cpp" "${CMAKE_SOURCE_DIR}/src/platform/win32/terminate_handler.cpp"
  "${CMAKE_SOURCE_DIR}/src/platform/win32/throw_helpers.cpp" "${setup_win32}/setup.rc"
  "${CMAKE_SOURCE_DIR}/src/wizard/pause.cpp")
set_target_properties(setup_image_nopause PROPERTIES OUTPUT_NAME setup-image-nopause)
target_compile_definitions(setup_image_nopause PRIVATE TGW_NO_PAUSES)
target_include_directories(setup_image_nopause PRIVATE "${setup_win32}"
                                                       "${CMAKE_SOURCE_DIR}/src/wizard/pictures")
target_compile_options(setup_image_nopause PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode -flto>)
target_link_options(setup_image_nopause PRIVATE -municode -s -flto)
target_link_libraries(setup_image_nopause PRIVATE tgw_win32_ui tgw_wizard tgw_win32 tgw_warnings)
tgw_harden_dll_loading(setup_image_nopause DEF_FOLDER "${setup_win32}/delay"
                       DELAY_LOAD user32 gdi32 comctl32 ole32 shell32)
