# Fails unless the typings' header and the reference's title name the
# product version (VERSION, from the project version), so that neither is
# left behind when the version changes.
# usage: cmake -DVERSION=1.0.7 -DTYPINGS=<d.ts> -DREFERENCE=<md> -P check_version.cmake
string(REPLACE "." "\\." pattern "${VERSION}")
file(STRINGS "${TYPINGS}" header LIMIT_COUNT 1)
if(NOT header MATCHES "version ${pattern}\\.$")
  message(FATAL_ERROR "${TYPINGS}: the first line does not name version ${VERSION}: ${header}")
endif()
file(STRINGS "${REFERENCE}" title LIMIT_COUNT 1)
if(NOT title MATCHES "^# Norvell Zephel ${pattern}:")
  message(FATAL_ERROR "${REFERENCE}: the title does not name version ${VERSION}: ${title}")
endif()
