# Helpers shared by every target of the project.

# Warnings as errors on our own code.
function(tarvox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The include root of one engine module: a directory in the build tree that
# holds only a link to the module's sources, so that "base/profile.h" is
# found by a target exactly when it links the module's library.
function(tarvox_module_include_root module out)
  set(root ${PROJECT_BINARY_DIR}/include/${module})
  if(NOT EXISTS ${root}/${module})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/engine/${module} ${root}/${module} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# An engine library: sources of one module (the directory it is defined
# in), warnings on, its headers found as "base/profile.h", "lexicon/sampa.h"
# ... by itself and by what links it, and by nothing else.
function(tarvox_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  get_filename_component(module ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  tarvox_module_include_root(${module} root)
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  tarvox_warnings(${name})
endfunction()

# The compile options of the test programs' own sources: no optimisation
# and line tables only. They were half of the build's compile time and are
# none of its running time, which is spent in the libraries they test
# (compiled as the build type says).
function(tarvox_test_options target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tarvox_warnings(${target})
  target_compile_options(${target} PRIVATE -O0 -g1)
endfunction()

# A GoogleTest executable registered with CTest. GoogleTest's header is
# compiled once for all of them (most of a small test file's compile time).
function(tarvox_test name)
  if(NOT TARVOX_TESTS OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  if(NOT TARGET tarvox_test_pch)
    # An (empty) program, so that the header is compiled as the test
    # programs are compiled.
    add_executable(tarvox_test_pch EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/tests/support/pch.cpp)
    tarvox_test_options(tarvox_test_pch)
    target_precompile_headers(tarvox_test_pch PRIVATE <gtest/gtest.h>)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest_main)
  tarvox_test_options(${name})
  target_precompile_headers(${name} REUSE_FROM tarvox_test_pch)
  if(TARVOX_TEST_WHOLE_PROGRAMS)
    # Under the sanitizers a process's start and exit (leak check) cost
    # more than most tests: one process a program finds the same errors.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TARVOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
      PROPERTIES ENVIRONMENT "TARVOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endif()
endfunction()
