// Zip packages built by the extraction tests: archives written with
// minizip's zip interface, and the byte patches that damage them.
//
// Test code; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace Norvell::testing {

struct PackageEntry {
  std::string name;  // stored as given: folders end with "/" or a backslash
  std::string data;
  bool compressed = true;  // deflated; false: stored as it is
  // When not 0: instead of `data`, 1 + 258 * zeroRuns zero bytes, deflated
  // by hand into about two bytes per 258 zeros (a zip bomb).
  std::uint64_t zeroRuns = 0;
};

// Writes a zip archive at `path` holding `entries` in this order.
void writePackage(const std::filesystem::path& path, const std::vector<PackageEntry>& entries);

// The whole file at `path`, and a file written with `bytes`.
std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

// The offset of the first entry's data in a package that writePackage made.
std::size_t firstEntryDataOffset(const std::string& package);

// Sets the compression method of the first entry, in its local header and
// in the central directory, to `method`.
void setFirstEntryMethod(std::string& package, unsigned method);

}  // namespace Norvell::testing
