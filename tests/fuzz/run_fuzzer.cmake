# cmake -DFUZZER=... -DSEEDS=... -DWORK_DIR=... -DSECONDS=... -P run_fuzzer.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(COPY "${SEEDS}/" DESTINATION "${WORK_DIR}/corpus")
file(MAKE_DIRECTORY "${WORK_DIR}/artifacts")
set(ENV{ASAN_OPTIONS} "detect_leaks=1:abort_on_error=0")
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1")
execute_process(COMMAND "${FUZZER}" -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
  -max_len=8192 -print_final_stats=1 -artifact_prefix=${WORK_DIR}/artifacts/ "${WORK_DIR}/corpus"
  RESULT_VARIABLE code)
file(GLOB artifacts "${WORK_DIR}/artifacts/*")
if(NOT code EQUAL 0 OR artifacts)
  message(FATAL_ERROR "the fuzzer stopped with ${code}; inputs that fail: ${artifacts}")
endif()
