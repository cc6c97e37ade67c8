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
