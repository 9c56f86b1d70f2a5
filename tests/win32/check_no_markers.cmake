# cmake -DFILE=<program> -P check_no_markers.cmake
# Fails when the program image holds a container marker as plain single-byte text: the reader
# would take the program's own bytes for the start of the appended files.
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "no such file: ${FILE}")
endif()
# Every run of printable single-byte characters in the file that holds a marker.
file(STRINGS "${FILE}" found REGEX "s/Parcelon/p|p/NewFile/p")
if(found)
  message(FATAL_ERROR "${FILE} holds a marker as plain text: ${found}")
endif()
