# The windows preset's part of the benchmarks (image.sh runs them under Wine): image_startup, which
# times programs from their start to their first visible window, and image_minimal_window, the
# reference it times the setup against. Neither is shipped.
add_executable(image_startup image_startup.cpp)
target_compile_options(image_startup PRIVATE -municode)
target_link_options(image_startup PRIVATE -municode)
target_link_libraries(image_startup PRIVATE tgw_warnings)

# The setup's manifest (common controls 6, DPI awareness) in the reference as well.
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/image_minimal_window.rc" CONTENT
  "#include <winresrc.h>\nCREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${CMAKE_SOURCE_DIR}/src/wizard/win32/setup.manifest\"\n")
add_executable(image_minimal_window WIN32
  image_minimal_window.cpp "${CMAKE_CURRENT_BINARY_DIR}/image_minimal_window.rc")
target_compile_options(image_minimal_window PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode>)
target_link_options(image_minimal_window PRIVATE -municode)
target_link_libraries(image_minimal_window PRIVATE tgw_warnings)
