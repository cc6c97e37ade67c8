# Shared settings of the MinGW-w64 cross toolchains. Included by the
# per-architecture toolchain files after they set NZ_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${NZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${NZ_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${NZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The compiler runtime (libgcc, libstdc++, winpthread) is linked into every
# binary, so the DLL and the test programs import only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
