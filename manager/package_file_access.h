// How the package extraction opens files on each operating system: the zip
// archive through minizip and the output files through the C library, both
// by std::filesystem path so that Windows reaches them by their wide names
// (package_file_access_posix.cpp, package_file_access_win.cpp).
//
// Stateless; callable from any thread.
#pragma once

#include <cstdio>
#include <filesystem>

#include <unzip.h>

namespace Norvell {

// The archive at `path` opened for reading, or null when it cannot be
// opened or is no zip archive.
unzFile openPackageArchive(const std::filesystem::path& path);

// The file at `path` created or truncated for binary writing ("wb"), or
// null on failure.
std::FILE* createOutputFile(const std::filesystem::path& path);

}  // namespace Norvell
