find_package(GTest REQUIRED)
# Tests read qx4ctl's JSON output with a JSON library that keeps key order.
find_package(nlohmann_json 3 REQUIRED)
include(GoogleTest)

qx4_pch_group(qx4_pch_test PROGRAMS HEADERS ${QX4_PCH_STD} ${QX4_PCH_TEST} LIBS GTest::gtest GTest::gmock)
if(QX4_BUILD_GUI)
  # Qt asks its users to compile position-independent code (-fPIC) even in programs.
  qx4_pch_group(qx4_pch_qt_test PROGRAMS HEADERS ${QX4_PCH_STD} ${QX4_PCH_TEST}
    LIBS Qt6::Core GTest::gtest GTest::gmock)
  # Not Qt Test: it defines its users' own build folder, which would make every user differ.
  qx4_pch_group(qx4_pch_gui_test PROGRAMS HEADERS ${QX4_PCH_STD} ${QX4_PCH_QT} ${QX4_PCH_TEST}
    LIBS qx4gui GTest::gtest GTest::gmock)
endif()

# One GoogleTest executable per area. LABELS: unit (core, fast), gui (offscreen widgets), e2e (real processes).
function(qx4_add_test name)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  # One compilation for the files of a test program: each would otherwise instantiate GoogleTest's
  # and Qt's templates again, which is most of what compiling a test costs.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
  target_link_libraries(${name} PRIVATE qx4_warnings GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
  if(qx4gui IN_LIST ARG_LIBS)
    qx4_use_pch(${name} qx4_pch_gui_test)
  elseif(ARG_LIBS MATCHES "Qt6::|qx4_test_desktop")
    qx4_use_pch(${name} qx4_pch_qt_test)
  else()
    qx4_use_pch(${name} qx4_pch_test)
  endif()
  target_compile_definitions(${name} PRIVATE
    QX4_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    QX4_BIN_DIR="${QX4_BIN_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  # LANGUAGE=en: the tests compare English texts, whatever the desktop's language.
  set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QX4_PLUGIN_DIR=${QX4_BIN_DIR};LANGUAGE=en")
endfunction()

# A test registered once more as <name>_wayland, run on Qt's Wayland platform under a headless
# Weston of its own (tests/support/with-weston); FILTER picks the cases that matter there. Without
# Weston or Qt's Wayland platform plug-in it fails rather than skips. Windows paint in shared
# memory, as the program's do: Qt's own window frames would load a GL driver, which leaks at exit.
function(qx4_add_wayland_test name)
  cmake_parse_arguments(ARG "" "FILTER;TIMEOUT" "" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(filter)
  if(ARG_FILTER)
    set(filter --gtest_filter=${ARG_FILTER})
  endif()
  add_test(NAME ${name}_wayland COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-weston $<TARGET_FILE:${name}> ${filter})
  set_tests_properties(${name}_wayland PROPERTIES LABELS "e2e;wayland" TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=wayland;QT_WAYLAND_DISABLE_WINDOWDECORATION=1;QX4_PLUGIN_DIR=${QX4_BIN_DIR};LANGUAGE=en")
endfunction()

# Runs the tests of the registered test `name` whose names begin with each of the prefixes (Suite or
# Suite.Test) as ctest entries of their own (name.prefix), so that ctest -j runs them side by side;
# `name` keeps the rest.
function(qx4_run_apart name)
  get_test_property(${name} LABELS labels)
  get_test_property(${name} TIMEOUT timeout)
  get_test_property(${name} ENVIRONMENT environment)
  set(others)
  foreach(prefix ${ARGN})
    add_test(NAME ${name}.${prefix} COMMAND ${name} --gtest_filter=${prefix}*)
    set_tests_properties(${name}.${prefix} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout}
      ENVIRONMENT "${environment}")
    list(APPEND others ${prefix}*)
  endforeach()
  list(JOIN others ":" others)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "GTEST_FILTER=-${others}")
endfunction()

# Runs the registered test `name` under umockdev's preload. Under GCC's AddressSanitizer its runtime
# must come first in the list; clang's sanitizers and GCC's ThreadSanitizer are linked in or loaded
# before the preload either way.
function(qx4_use_umockdev name)
  set(preload ${QX4_UMOCKDEV_PRELOAD})
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_FLAGS MATCHES "-fsanitize=[a-z,]*address")
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so OUTPUT_VARIABLE asan OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(preload "${asan}:${preload}")
  endif()
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "LD_PRELOAD=${preload}")
endfunction()
