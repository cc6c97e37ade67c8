# Compiles page script against the typings with the TypeScript compiler:
#   cmake -DTYPINGS=<d.ts> -DSOURCES=<a.ts;b.ts> -P check_typings.cmake
# Fails on any compiler error. Prints "SKIPPED: tsc not found" (the tests
# mark themselves skipped on it) when tsc is not installed (Debian's package
# node-typescript).
find_program(TSC tsc)
if(NOT TSC)
  message("SKIPPED: tsc not found; install Debian's node-typescript to check the typings")
  return()
endif()
execute_process(
  COMMAND ${TSC} --noEmit --strict --target es5 --lib es5,dom ${TYPINGS} ${SOURCES}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "tsc rejected ${SOURCES} (exit ${result})")
endif()
