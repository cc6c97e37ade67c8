# 32-bit Windows: the shipped product. No 32-bit wine is installable here,
# so its test programs are built but not run.
set(NZ_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
