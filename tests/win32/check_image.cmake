# cmake -DFILE=<program> [-DAT_MOST=<bytes>] -P check_image.cmake
# With AT_MOST, fails when the program is larger than that; without, when it holds a container
# marker as plain single-byte text (the reader would take its bytes for the appended files).
cmake_minimum_required(VERSION 3.25)
file(SIZE "${FILE}" size)
if(DEFINED AT_MOST AND size GREATER AT_MOST)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over the ${AT_MOST} allowed")
elseif(DEFINED AT_MOST)
  message(STATUS "${FILE}: ${size} bytes of the ${AT_MOST} allowed")
else()
  file(STRINGS "${FILE}" found REGEX "s/Parcelon/p|p/NewFile/p")
  if(found)
    message(FATAL_ERROR "${FILE} holds a marker as plain text: ${found}")
  endif()
endif()
