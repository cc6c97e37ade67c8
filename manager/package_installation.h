// Installing a downloaded secondary plug-in package into the plug-ins
// folder, and the end of a package download: the record made for the
// download either becomes an installed plug-in (and the manifest is
// rewritten) or leaves the list.
//
// The package is written to a temporary folder of its own (the plug-ins
// folder followed by a random UUID), unpacked there, described by its own
// "pluginmanifest.json", and moved to its install folder: the plug-ins
// folder followed by the package's name, bit and version. The module is
// then that folder, "/", and moduleFileName of the package's record. A
// package whose name, bit and version do not make one plain folder name, or
// whose module name would leave that folder, is refused.
//
// Main thread only, like the list. Several downloads may end one after the
// other; each has its own temporary folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "manager/plugin_entry.h"
#include "manager/plugin_manifest.h"

namespace Norvell {

// Unpacks the zip file at the first path into the folder at the second
// (narrow paths); answers true when the whole package was unpacked.
using PackageExtractor = std::function<bool(const std::string& packagePath, const std::string& destinationFolder)>;

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
