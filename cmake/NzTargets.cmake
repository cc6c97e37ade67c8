# Helpers that give every project target the same language level and the
# same strict warnings. Third-party code is built without them.
include(GoogleTest)

function(nz_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# nz_library(name SOURCES ... [DEPS ...])
function(nz_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC nz_thirdparty ${A_DEPS})
  nz_warnings(${name})
endfunction()

# nz_test(name SOURCES ... [DEPS ...]): one GoogleTest program. Natively each
# test case becomes a CTest test; under wine the program is one CTest test,
# since starting wine per case would cost more than the cases themselves.
function(nz_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} nz_gtest)
  nz_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
      set_tests_properties(${name} PROPERTIES TIMEOUT 900)
    endif()
  else()
    # A hung case fails after five minutes instead of holding the run. The
    # program's name is each case's label, so a run can pick programs.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${name})
  endif()
endfunction()

# nz_benchmark(name SOURCES ... [DEPS ...]): a Google Benchmark program,
# built natively only and not run by CTest.
function(nz_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
  nz_warnings(${name})
endfunction()
