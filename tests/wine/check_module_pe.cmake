# Static check of a built plug-in module, run on the build host (no wine):
#   cmake -DOBJDUMP=<triple>-objdump -DMODULE=<dll> -DFORMAT=pei-x86-64|pei-i386
#         [-DSKIP_MISSING=ON] -P check_module_pe.cmake
# Checks that the module exports exactly the NPAPI entry points
# (NP_GetEntryPoints, NP_Initialize, NP_Shutdown) and the COM ones
# (DllGetClassObject, DllCanUnloadNow, DllRegisterServer, DllUnregisterServer,
# DllInstall), all undecorated, imports from system DLLs only (the compiler
# runtime must be linked in), carries a version resource with the product's
# texts and the ActiveX resources (type library, string table, manifest), and
# has the expected PE format. With SKIP_MISSING a module that was not built is
# reported and the check passes.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP MODULE FORMAT)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_module_pe: ${var} not given")
  endif()
endforeach()

if(NOT EXISTS "${MODULE}")
  if(SKIP_MISSING)
    message(STATUS "SKIP: ${MODULE} has not been built; build that preset to check it")
    return()
  endif()
  message(FATAL_ERROR "FAIL: ${MODULE} does not exist")
endif()

set(failures "")

# Format.
execute_process(COMMAND "${OBJDUMP}" -f "${MODULE}" OUTPUT_VARIABLE header RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "FAIL: ${OBJDUMP} -f ${MODULE} failed (${rc})")
endif()
if(header MATCHES "file format ([^ \n]+)")
  set(format "${CMAKE_MATCH_1}")
else()
  set(format "unknown")
endif()
if(format STREQUAL FORMAT)
  message(STATUS "PASS: file format ${format}")
else()
  list(APPEND failures "file format is ${format}, expected ${FORMAT}")
endif()

# Exports and imports.
execute_process(COMMAND "${OBJDUMP}" -p "${MODULE}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "FAIL: ${OBJDUMP} -p ${MODULE} failed (${rc})")
endif()
string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(exports "")
set(imports "")
set(inNames OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(inNames ON)
  elseif(inNames AND line MATCHES "^\t\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  elseif(inNames)
    set(inNames OFF)
  endif()
  if(line MATCHES "^\tDLL Name: (.+)$")
    list(APPEND imports "${CMAKE_MATCH_1}")
  endif()
endforeach()

list(SORT exports)
set(expected DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer
    NP_GetEntryPoints NP_Initialize NP_Shutdown)
if(exports STREQUAL expected)
  message(STATUS "PASS: exports ${exports}")
else()
  list(LENGTH exports count)
  list(SUBLIST exports 0 10 shown)
  list(JOIN shown " " shown)
  list(APPEND failures "${count} exports [${shown}...], expected exactly ${expected}")
endif()

set(system kernel32 user32 advapi32 ole32 oleaut32 shell32 comdlg32 wininet msvcrt ucrtbase bcrypt shlwapi uuid urlmon
    comctl32 gdi32)
if(imports STREQUAL "")
  list(APPEND failures "no imported DLLs found in the dump")
endif()
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" lower)
  string(REGEX REPLACE "\\.dll$" "" base "${lower}")
  if(base IN_LIST system OR base MATCHES "^api-ms-win-")
    message(STATUS "PASS: imports ${dll}")
  elseif(base MATCHES "^(libstdc\\+\\+|libgcc_s|libwinpthread)")
    list(APPEND failures "imports the compiler runtime ${dll}: it must be linked in statically")
  else()
    list(APPEND failures "imports ${dll}, which is not a system DLL")
  endif()
endforeach()

# Version resource: a resource directory with an RT_VERSION (16) entry, and
# the product's texts in it.
if(dump MATCHES "Entry: ID: 0x0*10,")
  message(STATUS "PASS: version resource present")
else()
  list(APPEND failures "no version resource (RT_VERSION) in the resource directory")
endif()
# ActiveX resources: the type library (a named TYPELIB resource), the string
# table (RT_STRING, 6) and the manifest (RT_MANIFEST, 24).
if(dump MATCHES "Entry: name: [^\n]*TYPELIB,")
  message(STATUS "PASS: TYPELIB resource present")
else()
  list(APPEND failures "no TYPELIB resource")
endif()
foreach(type 6 18)
  if(dump MATCHES "Entry: ID: 0x0*${type},")
    message(STATUS "PASS: resource type 0x${type} present")
  else()
    list(APPEND failures "no resource of type 0x${type}")
  endif()
endforeach()
file(STRINGS "${MODULE}" texts ENCODING UTF-16LE REGEX "^(application/x-norvellzephel32|npNorvellZephel32\\.dll|Norvell Zephel - 1\\.0\\.7)$")
foreach(text application/x-norvellzephel32 npNorvellZephel32.dll "Norvell Zephel - 1.0.7")
  if(NOT text IN_LIST texts)
    list(APPEND failures "version resource text \"${text}\" not found")
  endif()
endforeach()

if(failures)
  foreach(failure IN LISTS failures)
    message(STATUS "FAIL: ${failure}")
  endforeach()
  message(FATAL_ERROR "${MODULE}: static module check failed")
endif()
message(STATUS "PASS: ${MODULE}")
