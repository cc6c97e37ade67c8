// Helpers shared by the plug-in manager's tests and the root object's:
// UTF-8 text of a path, a whole file's bytes, and a temporary folder named
// after the running test.
//
// Test code; the test's own thread.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace Norvell::testing {

inline std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `prefix` and the running test's name, below the system's temporary folder.
inline std::filesystem::path testFolder(const std::string& prefix) {
  return std::filesystem::temp_directory_path() /
         (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

}  // namespace Norvell::testing
