// The most a secondary plug-in package may hold. A hostile or broken
// package (a zip bomb) must neither fill the disk nor exhaust the 32-bit
// address space of the browser process; a package beyond any of these
// fails its installation.
//
// Constants; any thread.
#pragma once

#include <cstdint>

namespace Norvell {

// The downloaded zip file.
inline constexpr std::uint64_t kMaxPackageBytes = 256ull * 1024 * 1024;

// All entries of one package together, unpacked.
inline constexpr std::uint64_t kMaxUnpackedBytes = 1024ull * 1024 * 1024;

// Entries (files and folders) in one package.
inline constexpr std::uint64_t kMaxPackageEntries = 10000;

}  // namespace Norvell
