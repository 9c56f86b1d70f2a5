# cmake -DFILE=<program> [-DAT_MOST=<bytes>] -P check_image.cmake
# Fails when the program is over AT_MOST bytes; without AT_MOST, when it holds a container marker
# as plain text (the reader would take its bytes for the appended files).
cmake_minimum_required(VERSION 3.25)
file(SIZE "${FILE}" size)
if(DEFINED AT_MOST AND size GREATER AT_MOST)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over the ${AT_MOST} allowed")
elseif(NOT DEFINED AT_MOST)
  file(STRINGS "${FILE}" found REGEX "s/Parcelon/p|p/NewFile/p")
  if(found)
    message(FATAL_ERROR "${FILE} holds a marker as plain text: ${found}")
  endif()
endif()
