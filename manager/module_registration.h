// Registering and unregistering the module of one installed secondary
// plug-in with the system: the module is loaded and its own entry point
// "DllRegisterServer" or "DllUnregisterServer" is called (through
// FB::Platform). The record's Installed field keeps the outcome.
//
// Only modules inside the plug-ins folder are ever loaded: a record whose
// ModulePath leads elsewhere (a changed manifest, a page's descriptor) counts
// as a module that does not load.
//
// Main thread only; the entry point runs on the calling thread.
#pragma once

#include "manager/plugin_entry.h"
#include "manager/plugin_manifest.h"

namespace Norvell {

// Calls the module's "DllRegisterServer". Answers true when it ran and
// answered a result that is not negative; Installed becomes "1" then and "0"
// otherwise. A record without ModulePath answers false and stays untouched.
// Before loading, the module's folder is appended to the library search
// path. Raises std::filesystem::filesystem_error when the plug-ins folder
// cannot be found or made.
bool registerModule(PluginManifest& manifest, PluginEntry& entry);

// The same with "DllUnregisterServer"; Installed becomes "0" whatever the
// outcome (a record without ModulePath is left untouched).
bool unregisterModule(PluginManifest& manifest, PluginEntry& entry);

}  // namespace Norvell
