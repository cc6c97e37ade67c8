// Installing a downloaded secondary plug-in package into the plug-ins
// folder, and the end of a package download: the record made for the
// download either becomes an installed plug-in (and the manifest is
// rewritten) or leaves the list.
//
// The package is written to a temporary folder of its own (the plug-ins
// folder followed by a random UUID), unpacked there, described by its own
// "pluginmanifest.json", and moved to its install folder: the plug-ins
// folder followed by the package's name, bit and version. The module is
// then that folder, "/", and moduleFileName of the package's record.
//
// Refused, with nothing outside the temporary folder touched: a package
// beyond the limits of package_limits.h; a package whose name, bit or
// version is empty, or whose name, bit, version or module name holds
// anything but letters, digits, '.', '-' and '_' or ends in '.'; a package
// whose install folder would be the manifest file's name, ignoring case.
//
// An earlier install in the same folder is replaced in three moves: the old
// folder aside (into the temporary folder), the new one in, the old one
// deleted with the temporary folder. When the old folder cannot be moved
// (on Windows: its module is loaded), the installation fails and the old
// install stays whole.
//
// Main thread only, like the list. Several downloads may end one after the
// other; each has its own temporary folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "manager/plugin_entry.h"
#include "manager/plugin_manifest.h"

namespace Norvell {

// Unpacks the zip file at the first path into the folder at the second
// (narrow paths); answers true when the whole package was unpacked.
using PackageExtractor = std::function<bool(const std::string& packagePath, const std::string& destinationFolder)>;

// Moves a folder to a new name on the same volume. Raises
// std::filesystem::filesystem_error when it cannot.
using FolderMove = std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>;

// While one lives, installations move folders through `move` instead of the
// file system: tests play a module in use on systems that would move it.
// Test code; one at a time, on the main thread.
class ScopedFolderMoveForTesting {
 public:
  explicit ScopedFolderMoveForTesting(FolderMove move);
  ~ScopedFolderMoveForTesting();
  ScopedFolderMoveForTesting(const ScopedFolderMoveForTesting&) = delete;
  ScopedFolderMoveForTesting& operator=(const ScopedFolderMoveForTesting&) = delete;

 private:
  FolderMove move_;
};

// Installs the `size` package bytes at `data`. On success the package's own
// record fields that are not empty (its version, module name, ...) and the
// computed ModulePath are copied into `entry`, and true is answered. On any
// failure (a file that cannot be written, a package that does not unpack or
// does not describe itself) false is answered and `entry` is unchanged. The
// temporary folder is removed in every case. Never raises.
bool installPackage(PluginManifest& manifest, PluginEntry& entry, const std::uint8_t* data, std::size_t size,
                    const PackageExtractor& extract);

// The end of the download made for `entry`: installs the package when the
// download succeeded; then the record is no longer downloading and either
// the manifest is rewritten (installed) or the record leaves the list (no
// folder is deleted: a failed record installed nothing). Answers whether
// the plug-in was installed. Never raises.
bool finishPackageDownload(PluginManifest& manifest, const std::shared_ptr<PluginEntry>& entry, bool success,
                           const std::uint8_t* data, std::size_t size, const PackageExtractor& extract);

}  // namespace Norvell
