#include "manager/installed_plugin_lookup.h"

#include "manager/plugin_matching.h"

namespace Norvell {

std::shared_ptr<PluginEntry> findSatisfyingEntry(PluginManifest& manifest, const PluginEntry& request) {
  PluginManifest::EntryList& entries = manifest.entries();
  if (request.PluginVersion.empty()) {
    for (const std::shared_ptr<PluginEntry>& entry : entries) {
      if (equalsIgnoreCase(entry->PluginName, request.PluginName) &&
          equalsIgnoreCase(entry->PluginBit, request.PluginBit) &&
          equalsIgnoreCase(entry->Siteversion, request.Siteversion)) {
        return entry;
      }
    }
    return nullptr;
  }
  for (auto it = entries.begin(); it != entries.end();) {
    if (!matchesVersionRange(request, **it)) {
      ++it;
    } else if (manifest.moduleExists(**it)) {
      return *it;
    } else if (!(*it)->downloading) {
      it = entries.erase(it);  // its files are gone: forget it
    } else {
      ++it;
    }
  }
  return nullptr;
}

}  // namespace Norvell
