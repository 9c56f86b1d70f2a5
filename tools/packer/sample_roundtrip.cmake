# Packs the sample product onto a stand-in program image, then lists and verifies it.
# Run with -DTGWPACK=... -DSAMPLE_DIR=... -DWORK_DIR=... -DBUILT=<name,...> -P sample_roundtrip.cmake
# The names of BUILT are the programs the windows preset builds and packs in with the sample (it
# verifies the whole of its setup.exe): they are left out here, and must be all the sample lacks.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(image "${WORK_DIR}/image.bin")
set(setup "${WORK_DIR}/setup.exe")
set(manifest "${WORK_DIR}/manifest.txt")
file(WRITE "${image}" "MZ stand-in program image for the sample round trip.\n")

string(REPLACE "," ";" built "${BUILT}")
file(STRINGS "${SAMPLE_DIR}/manifest.txt" names)
set(kept "")
foreach(name IN LISTS names)
  if(name IN_LIST built)
    if(EXISTS "${SAMPLE_DIR}/product/${name}")
      message(FATAL_ERROR "sample/product/${name} is built by the windows preset: remove it")
    endif()
  else()
    string(APPEND kept "${name}\n")
  endif()
endforeach()
file(WRITE "${manifest}" "${kept}")

function(run)
  execute_process(COMMAND "${TGWPACK}" ${ARGN} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "tgwpack ${ARGN} failed: ${code}")
  endif()
endfunction()

run(--pack "${image}" --root "${SAMPLE_DIR}/product" --manifest "${manifest}" --output "${setup}")
run(--list "${setup}")
run(--verify "${setup}" --root "${SAMPLE_DIR}/product" --manifest "${manifest}")
