# The same commit builds the same program images, in any folder and at any time.
#
# The PE header's time stamp: SOURCE_DATE_EPOCH when the environment gives it (the linker reads
# it; export it for the configure and the build alike), else none (0). The sources' folder never
# reaches an object: __FILE__ and debug paths name files relative to it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  add_link_options(-Wl,--no-insert-timestamp)
endif()
add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=")
