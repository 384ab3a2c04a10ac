# Included by the top-level CMakeLists.txt: builds the fuzz targets with clang through
# ExternalProject (the main build may use another compiler) and registers the bounded run
# as a test. Without clang and libFuzzer nothing is added and the rest of the build is as
# before.
find_program(PUNCHWELL_FUZZ_CXX NAMES clang++ clang++-19 clang++-18 clang++-17 clang++-16
    clang++-15 clang++-14)
if(NOT PUNCHWELL_FUZZ_CXX)
    message(STATUS "Fuzz targets: no clang++, skipped")
    return()
endif()

# Try the real thing once: a one-function fuzz target, linked with the same flags.
set(probe_dir ${CMAKE_BINARY_DIR}/fuzz-probe)
file(MAKE_DIRECTORY ${probe_dir})
file(WRITE ${probe_dir}/probe.cpp
    "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n")
execute_process(
    COMMAND ${PUNCHWELL_FUZZ_CXX} -fsanitize=fuzzer,address,undefined probe.cpp -o probe
    WORKING_DIRECTORY ${probe_dir}
    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
if(NOT probe_result EQUAL 0)
    message(STATUS "Fuzz targets: ${PUNCHWELL_FUZZ_CXX} cannot link libFuzzer, skipped")
    return()
endif()
message(STATUS "Fuzz targets: built with ${PUNCHWELL_FUZZ_CXX}")

include(ExternalProject)
ExternalProject_Add(punchwell_fuzz
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/fuzz
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${PUNCHWELL_FUZZ_CXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
    INSTALL_COMMAND ""
    # The sub-build tracks its own sources (core included); let it decide what is stale.
    BUILD_ALWAYS ON)

add_test(NAME fuzz_data_file_20s
    COMMAND ${CMAKE_COMMAND}
        -DFUZZER=${CMAKE_BINARY_DIR}/fuzz/fuzz_data_file
        -DSEEDS=${CMAKE_SOURCE_DIR}/tests/fixtures
        -DWORK=${CMAKE_BINARY_DIR}/fuzz/data_file
        -DSECONDS=20
        -P ${CMAKE_SOURCE_DIR}/fuzz/RunFuzzer.cmake)
set_tests_properties(fuzz_data_file_20s PROPERTIES TIMEOUT 120)

add_test(NAME fuzz_report_file_10s
    COMMAND ${CMAKE_COMMAND}
        -DFUZZER=${CMAKE_BINARY_DIR}/fuzz/fuzz_report_file
        -DSEEDS=${CMAKE_SOURCE_DIR}/tests/fixtures
        -DSEED_PATTERN=*.pnr
        -DWORK=${CMAKE_BINARY_DIR}/fuzz/report_file
        -DSECONDS=10
        -P ${CMAKE_SOURCE_DIR}/fuzz/RunFuzzer.cmake)
set_tests_properties(fuzz_report_file_10s PROPERTIES TIMEOUT 120)
