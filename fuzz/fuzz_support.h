// Helpers shared by the fuzz targets: a property check that stops the run
// with a message (libFuzzer keeps the input that got there), and a private
// folder per fuzzing process for targets that touch the file system.
// Fuzz-target code; single-threaded.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace nzfuzz {

// Aborts with `what` when `holds` is false: a property of the code under test
// was broken by the current input.
inline void require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
  }
}

// A new folder below the system's temporary folder, named by `prefix` and
// the process id; made once per process and removed by the caller when it
// wishes (libFuzzer processes end without unwinding).
inline std::filesystem::path processFolder(const std::string& prefix) {
  const auto folder = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace nzfuzz
