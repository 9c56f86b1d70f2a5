# Packs the sample product onto a stand-in program image, then lists and verifies it.
# Run with -DTGWPACK=... -DSAMPLE_DIR=... -DWORK_DIR=... -P sample_roundtrip.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(image "${WORK_DIR}/image.bin")
set(setup "${WORK_DIR}/setup.exe")
file(WRITE "${image}" "MZ stand-in program image for the sample round trip.\n")

function(run)
  execute_process(COMMAND "${TGWPACK}" ${ARGN} RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "tgwpack ${ARGN} failed: ${code}")
  endif()
endfunction()

run(--pack "${image}" --root "${SAMPLE_DIR}/product" --manifest "${SAMPLE_DIR}/manifest.txt"
    --output "${setup}")
run(--list "${setup}")
run(--verify "${setup}" --root "${SAMPLE_DIR}/product" --manifest "${SAMPLE_DIR}/manifest.txt")
