// The JSON forms of plug-in records: the descriptor objects through which
// pages and packages describe a plug-in, and the "plugins.manifest" text
// that keeps the installed plug-ins between browser sessions.
//
// The manifest text is {"Plugins":[ then one object per entry, joined by
// ",", then ]}, with no white space. Each object has exactly the members
// "PluginName", "PluginBit", "PluginVersion", "ZipPackageURL", "ModulePath",
// "ModuleName", "Installed", "Siteversion", in that order; values are written
// unescaped and read back unchanged.
//
// Pure functions; the plug-in manager calls them on the browser's main
// thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "manager/plugin_entry.h"

namespace Norvell {

// Fills `entry` (normally a new, empty record) from one descriptor object.
// Every text field may be given under its own key; "Changelist" is a second
// name for "Siteversion", and of the two the later one wins. Values must be
// strings: a number or an array ends the reading at that member, leaving its
// field empty. Unknown members are skipped. Text that is no object leaves
// `entry` untouched.
void parseDescriptor(const std::string& text, PluginEntry& entry);

// One entry as a manifest object.
std::string writeEntry(const PluginEntry& entry);

// The whole manifest text for `entries`, in their order.
std::string manifestText(const std::vector<std::shared_ptr<PluginEntry>>& entries);

// The records of a manifest text, in file order. Only the eight manifest
// keys are taken; records without a PluginName, PluginBit or PluginVersion
// are dropped. Reading stops at the first point it cannot pass, keeping the
// records before it. The first key must be exactly "Plugins".
std::vector<PluginEntry> manifestEntries(const std::string& text);

}  // namespace Norvell
