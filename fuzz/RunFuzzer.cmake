# Runs one fuzz target for a bounded time over a corpus seeded from the test fixtures.
# Fails when the fuzzer reports a crash, a leak, a timeout or too much memory.
#   cmake -DFUZZER=... -DSEEDS=dir [-DSEED_PATTERN=*.pnd] -DWORK=dir -DSECONDS=20 -P RunFuzzer.cmake
if(NOT DEFINED SEED_PATTERN)
    set(SEED_PATTERN *.pnd)
endif()
foreach(var FUZZER SEEDS WORK SECONDS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunFuzzer.cmake needs -D${var}=...")
    endif()
endforeach()
if(NOT EXISTS ${FUZZER})
    message(FATAL_ERROR "${FUZZER} is not built")
endif()

# The corpus lives in the build tree and grows from run to run; the fixtures seed it.
set(corpus ${WORK}/corpus)
set(artifacts ${WORK}/artifacts)
file(MAKE_DIRECTORY ${corpus} ${artifacts})
file(GLOB seeds ${SEEDS}/${SEED_PATTERN})
file(COPY ${seeds} DESTINATION ${corpus})

execute_process(
    COMMAND ${FUZZER} -max_total_time=${SECONDS} -rss_limit_mb=1024 -timeout=10
        -artifact_prefix=${artifacts}/ -print_final_stats=1 ${corpus}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FUZZER} failed (${result}); the failing input is in ${artifacts}")
endif()
