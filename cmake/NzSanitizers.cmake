# Sanitizer and fuzzing builds (the linux-asan and linux-tsan presets).
# NZ_SANITIZE lists clang's -fsanitize checks ("address,undefined" or
# "thread") for every target of the build, third-party code built here
# included. The first fault stops the program (no recovery), and frame
# pointers keep the reports' stacks whole.
# NZ_FUZZ adds libFuzzer's coverage instrumentation to every target and builds
# the fuzz targets in fuzz/; it needs clang.
set(NZ_SANITIZE "" CACHE STRING "clang/gcc -fsanitize= list for every target (empty: none)")
option(NZ_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(NZ_SANITIZE)
  add_compile_options(-fsanitize=${NZ_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${NZ_SANITIZE})
endif()

if(NZ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "NZ_FUZZ needs clang (libFuzzer); this build uses ${CMAKE_CXX_COMPILER_ID}")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
