// Helpers shared by the plug-in manager's tests and the root object's:
// UTF-8 text of a path, a whole file's bytes, and a temporary folder of the
// running test's own.
//
// Test code; the test's own thread.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "testing/temporary_folder.h"

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

// A new folder below the system's temporary folder, named `prefix`, the
// running test's name and random characters: no other test case or test
// run can meet it (FB::testing::uniqueTemporaryFolder).
inline std::filesystem::path testFolder(const std::string& prefix) {
  return FB::testing::uniqueTemporaryFolder(prefix);
}

}  // namespace Norvell::testing
