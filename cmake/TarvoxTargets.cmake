# Helpers shared by every target of the project.

# Warnings as errors on our own code.
function(tarvox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# An engine library: sources of one module, warnings on, headers found as
# "driver/profile.h", "lexicon/sampa.h", ... from the engine directory.
function(tarvox_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/engine)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  tarvox_warnings(${name})
endfunction()

# A GoogleTest executable registered with CTest.
function(tarvox_test name)
  if(NOT TARVOX_TESTS OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tarvox_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "TARVOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
