# cmake -DFILE=<program> -DAT_MOST=<bytes> -P check_size.cmake
# Fails when the program is larger than AT_MOST bytes.
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "no such file: ${FILE}")
endif()
file(SIZE "${FILE}" size)
if(size GREATER AT_MOST)
  message(FATAL_ERROR "${FILE} is ${size} bytes, over the ${AT_MOST} allowed")
endif()
message(STATUS "${FILE}: ${size} bytes of the ${AT_MOST} allowed")
