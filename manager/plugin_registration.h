// The plug-in manager's answers to a page's "registerPlugin" and
// "unregisterPlugin": which records of the list a descriptor names, what
// happens to the other versions of the same plug-in, and when the manifest
// file is rewritten. The module calls themselves are module_registration.h.
//
// Main thread only, like the list they work on.
#pragma once

#include <string>

#include "manager/plugin_manifest.h"

namespace Norvell {

// Registers the first listed record that the descriptor's version range
// accepts and whose module file exists inside the plug-ins folder. Before
// that, every other record of the same name and bit that is registered
// (Installed neither empty nor "0") is unregistered, and every one of an
// older version is removed from the list with its folder; records of the
// same or a later version stay. Records still being downloaded, and records
// whose module lies outside the plug-ins folder, are left alone. The
// manifest is rewritten whatever the registration answered. Answers the module's verdict; false
// when no record qualified or anything failed. Never raises.
bool registerPlugin(PluginManifest& manifest, const std::string& descriptor);

// With a version in the descriptor: unregisters the first record that
// matches it exactly and rewrites the manifest. Without one: unregisters
// every record in the descriptor's range (the last one's verdict is the
// answer) and rewrites the manifest when there was any. Records and files
// stay. Answers false when nothing matched. Raises
// std::filesystem::filesystem_error when the plug-ins folder cannot be found
// or made.
bool unregisterPlugin(PluginManifest& manifest, const std::string& descriptor);

}  // namespace Norvell
