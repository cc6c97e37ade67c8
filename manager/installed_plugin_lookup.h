// Whether the plug-in list already holds a secondary plug-in that satisfies
// a page's request, before any package is downloaded.
//
// Main thread only, like the list.
#pragma once

#include <memory>

#include "manager/plugin_entry.h"
#include "manager/plugin_manifest.h"

namespace Norvell {

// A request without a version is satisfied by the first record whose name,
// bit and site version equal the request's, ignoring case, whatever its
// module file or download state.
//
// A request with a version is satisfied by the first record in its version
// range whose module file exists inside the plug-ins folder. Records in the range whose module file is
// missing and that are not being downloaded are dropped from the list on
// the way (their folders and the manifest file are left alone).
//
// Answers the record, or null.
std::shared_ptr<PluginEntry> findSatisfyingEntry(PluginManifest& manifest, const PluginEntry& request);

}  // namespace Norvell
