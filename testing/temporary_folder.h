// FB::testing::uniqueTemporaryFolder: a folder of the running test's own
// below the system's temporary folder. The name holds the test's name and
// random characters, so that test cases run in parallel (ctest -j), two
// runs of one test program, and other checkouts on the same machine never
// meet in one folder.
//
// Test code; the test's own thread.
#pragma once

#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace FB::testing {

// A new, empty folder named `prefix`, the running test's name and eight
// random hexadecimal digits. The test removes it when done.
inline std::filesystem::path uniqueTemporaryFolder(const std::string& prefix) {
  static const char digits[] = "0123456789abcdef";
  std::random_device entropy;
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string base = prefix + (test ? test->name() : "") + "_";
  for (;;) {
    std::string name = base;
    for (int i = 0; i < 8; ++i) name += digits[entropy() % 16];
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(folder)) return folder;  // false: taken, draw again
  }
}

}  // namespace FB::testing
