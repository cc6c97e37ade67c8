# Third-party pieces: header-only Boost and utfcpp from Debian, GoogleTest
# (Debian's build natively, compiled from /usr/src/googletest when cross
# compiling) and Google Benchmark (native only).

if(CMAKE_CROSSCOMPILING)
  # MinGW must not see the rest of /usr/include, so it gets a folder that
  # holds only links to the header-only libraries it uses.
  set(NZ_HOST_INCLUDE ${CMAKE_BINARY_DIR}/host-include)
  file(MAKE_DIRECTORY ${NZ_HOST_INCLUDE})
  foreach(dir boost utf8cpp)
    if(NOT EXISTS ${NZ_HOST_INCLUDE}/${dir})
      file(CREATE_LINK /usr/include/${dir} ${NZ_HOST_INCLUDE}/${dir} SYMBOLIC)
    endif()
  endforeach()
  add_library(nz_thirdparty INTERFACE)
  target_include_directories(nz_thirdparty SYSTEM INTERFACE ${NZ_HOST_INCLUDE} ${NZ_HOST_INCLUDE}/utf8cpp)
  target_link_libraries(nz_thirdparty INTERFACE bcrypt)

  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(nz_gtest INTERFACE)
  target_link_libraries(nz_gtest INTERFACE gmock gtest_main)
else()
  find_package(Boost 1.74 REQUIRED)
  find_path(UTFCPP_INCLUDE_DIR utf8.h PATH_SUFFIXES utf8cpp REQUIRED)
  add_library(nz_thirdparty INTERFACE)
  target_include_directories(nz_thirdparty SYSTEM INTERFACE ${UTFCPP_INCLUDE_DIR})
  target_link_libraries(nz_thirdparty INTERFACE Boost::headers)

  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
  add_library(nz_gtest INTERFACE)
  target_link_libraries(nz_gtest INTERFACE GTest::gmock GTest::gtest_main Threads::Threads)
  find_package(benchmark REQUIRED)
endif()

# Zip reading: minizip over zlib. Natively Debian's libminizip (pkg-config
# module "minizip", which links zlib itself). For MinGW, zlib comes from
# libz-mingw-w64-dev (its static library, so the DLL imports no zlib1.dll)
# and minizip is built here from the sources that scripts/setup.sh fetches
# into third_party/fetched/minizip, without the project's warning flags.
# nz_minizip reads archives; nz_minizip_writer adds zip writing for tests
# that build their own packages.
if(CMAKE_CROSSCOMPILING)
  set(NZ_MINIZIP_DIR ${PROJECT_SOURCE_DIR}/third_party/fetched/minizip)
  if(NOT EXISTS ${NZ_MINIZIP_DIR}/fetched)
    message(FATAL_ERROR "minizip sources are missing from ${NZ_MINIZIP_DIR}: run scripts/setup.sh")
  endif()
  find_path(NZ_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
  find_library(NZ_ZLIB_LIBRARY NAMES libz.a REQUIRED)
  add_library(nz_zlib INTERFACE)
  target_include_directories(nz_zlib SYSTEM INTERFACE ${NZ_ZLIB_INCLUDE_DIR})
  target_link_libraries(nz_zlib INTERFACE ${NZ_ZLIB_LIBRARY})

  add_library(nz_minizip STATIC ${NZ_MINIZIP_DIR}/unzip.c ${NZ_MINIZIP_DIR}/ioapi.c ${NZ_MINIZIP_DIR}/iowin32.c)
  target_include_directories(nz_minizip SYSTEM PUBLIC ${NZ_MINIZIP_DIR})
  target_link_libraries(nz_minizip PUBLIC nz_zlib)
  add_library(nz_minizip_writer STATIC ${NZ_MINIZIP_DIR}/zip.c)
  target_link_libraries(nz_minizip_writer PUBLIC nz_minizip)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(NZ_MINIZIP REQUIRED IMPORTED_TARGET minizip)
  find_package(ZLIB REQUIRED)
  add_library(nz_minizip INTERFACE)
  target_link_libraries(nz_minizip INTERFACE PkgConfig::NZ_MINIZIP ZLIB::ZLIB)
  add_library(nz_minizip_writer INTERFACE)
  target_link_libraries(nz_minizip_writer INTERFACE nz_minizip)
endif()
