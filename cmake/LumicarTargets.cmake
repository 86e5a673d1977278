# Helpers shared by every folder: one static library per subsystem, one test
# executable per area, one benchmark program per topic.

# Our own code builds warning-free; the test builds turn warnings into errors
# (LUMICAR_WERROR, set by ./test.sh) so that a new warning fails the suite,
# while a user's build with a newer compiler is not stopped by one.
set(LUMICAR_WARNINGS -Wall -Wextra -Wshadow)
if(LUMICAR_WERROR)
  list(APPEND LUMICAR_WARNINGS -Werror)
endif()

# lumicar_library(<name> SOURCES ... [DEPS ...])
# Creates the static library lumicar_<name>, with the repository root on the
# include path so that headers are included as "runtime/component.h".
function(lumicar_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(lumicar_${name} STATIC ${ARG_SOURCES})
  target_include_directories(lumicar_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(lumicar_${name} PRIVATE ${LUMICAR_WARNINGS})
  target_link_libraries(lumicar_${name} PUBLIC ${ARG_DEPS})
  if(LUMICAR_UNITY)
    set_target_properties(lumicar_${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
endfunction()

# Libraries and test programs compile their files in batches of eight when
# LUMICAR_UNITY is on (./test.sh): the files of one target share most of
# their headers and templates (Qt's, GoogleTest's, our own), which a batch
# parses and instantiates once. Each file's helpers therefore live in a
# namespace named after the file or have names of their own; a folder whose
# files cannot share a batch turns it off for its library (kernels/).
option(LUMICAR_UNITY "Compile each library's and test program's files in batches" OFF)

# lumicar_test(<name> SOURCES ... [DEPS ...] [THREADS] [XVFB] [LABELS ...])
# One GoogleTest executable registered with CTest. THREADS marks a test that
# also runs in the ThreadSanitizer build; a test build made with
# LUMICAR_THREAD_TESTS_ONLY skips every other test. XVFB runs the test inside
# tests/run-under-xvfb.sh so that it gets a real X server with OpenGL.
function(lumicar_test name)
  cmake_parse_arguments(ARG "THREADS;XVFB" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(LUMICAR_THREAD_TESTS_ONLY AND NOT ARG_THREADS)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  if(LUMICAR_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
  target_compile_options(${name} PRIVATE ${LUMICAR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(ARG_XVFB)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/run-under-xvfb.sh $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set(timeout 300)
  if(ARG_TIMEOUT)
    set(timeout ${ARG_TIMEOUT})
  endif()
  set(labels ${ARG_LABELS})
  if(ARG_THREADS)
    list(APPEND labels threads)
    # One target builds every thread test and only what they link, so that
    # the ThreadSanitizer build compiles nothing else.
    if(NOT TARGET lumicar_thread_tests)
      add_custom_target(lumicar_thread_tests)
    endif()
    add_dependencies(lumicar_thread_tests ${name})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "${labels}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMICAR_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# lumicar_bench(<name> SOURCES ... [DEPS ...] [SHORT [XVFB] [SHORT_ARGS ...] [TIMEOUT s]])
# One Google Benchmark program. A program marked SHORT also has a quick run
# that the test builds (which leave the other benchmarks out) build and run as
# a test, so that a measurement cannot rot: the test starts it with
# LUMICAR_BENCH_SHORT=1 in its environment and SHORT_ARGS on its command line,
# under tests/run-under-xvfb.sh when XVFB is given.
function(lumicar_bench name)
  cmake_parse_arguments(ARG "SHORT;XVFB" "TIMEOUT" "SOURCES;DEPS;SHORT_ARGS" ${ARGN})
  if(LUMICAR_BENCH_SHORT_ONLY AND NOT ARG_SHORT)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${LUMICAR_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
  if(ARG_SHORT AND LUMICAR_BUILD_TESTS)
    if(ARG_XVFB)
      add_test(NAME ${name}_short COMMAND ${PROJECT_SOURCE_DIR}/tests/run-under-xvfb.sh $<TARGET_FILE:${name}>
        ${ARG_SHORT_ARGS})
    else()
      add_test(NAME ${name}_short COMMAND ${name} ${ARG_SHORT_ARGS})
    endif()
    set(timeout 300)
    if(ARG_TIMEOUT)
      set(timeout ${ARG_TIMEOUT})
    endif()
    set_tests_properties(${name}_short PROPERTIES TIMEOUT ${timeout} LABELS "bench_short"
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMICAR_BENCH_SHORT=1;LUMICAR_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endif()
endfunction()
