# libFuzzer targets. Each fuzz_<name> reads its seeds from fuzz/corpus/<name>/ and is registered
# with CTest to run for QX4_FUZZ_SECONDS; new inputs go to a scratch folder in the build tree, so a
# run never changes the repository. A finding is kept by copying it into the seed folder.
set(QX4_FUZZ_SECONDS 5 CACHE STRING "How long each fuzz target runs under CTest")

function(qx4_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE qx4_warnings ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  string(REGEX REPLACE "^fuzz_" "" seeds ${name})
  set(scratch ${CMAKE_BINARY_DIR}/fuzz/scratch/${seeds})
  file(MAKE_DIRECTORY ${scratch})
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${QX4_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=1024
      ${scratch} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
