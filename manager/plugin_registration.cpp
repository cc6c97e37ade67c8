#include "manager/plugin_registration.h"

#include <cstddef>
#include <exception>
#include <memory>

#include "manager/module_registration.h"
#include "manager/plugin_entry_json.h"
#include "manager/plugin_matching.h"

namespace Norvell {
namespace {

// Unregisters the other records of the chosen one's plug-in and drops those
// of older versions, so that only the chosen version stays registered.
void retireOtherVersions(PluginManifest& manifest, const PluginEntry& request,
                         const std::shared_ptr<PluginEntry>& chosen) {
  for (const std::shared_ptr<PluginEntry>& other : manifest.collectSameIdentity(request)) {
    // A pending download is no installed version: its record must survive
    // until the download reports. A module outside the plug-ins folder is
    // none of this plug-in manager's business: nothing happens because of it.
    if (other == chosen || other->downloading) continue;
    if (!other->ModulePath.empty() && !manifest.holdsModule(*other)) continue;
    if (!other->Installed.empty() && other->Installed != "0") unregisterModule(manifest, *other);
    if (compareVersions(other->PluginVersion, chosen->PluginVersion) < 0) manifest.removeEntry(other);
  }
}

}  // namespace

bool registerPlugin(PluginManifest& manifest, const std::string& descriptor) {
  try {
    PluginEntry request;
    parseDescriptor(descriptor, request);
    std::shared_ptr<PluginEntry> chosen;
    for (const std::shared_ptr<PluginEntry>& entry : manifest.entries()) {
      if (matchesVersionRange(request, *entry) && manifest.moduleExists(*entry)) {
        chosen = entry;
        break;
      }
    }
    if (!chosen) return false;
    retireOtherVersions(manifest, request, chosen);
    const bool registered = registerModule(manifest, *chosen);
    manifest.saveManifest();
    return registered;
  } catch (const std::exception&) {
    return false;  // e.g. an old version's folder that cannot be deleted
  }
}

bool unregisterPlugin(PluginManifest& manifest, const std::string& descriptor) {
  PluginEntry request;
  parseDescriptor(descriptor, request);
  // Own references: the module calls may run for a while, the list stays.
  const PluginManifest::EntryList entries = manifest.entries();
  if (!request.PluginVersion.empty()) {
    for (const std::shared_ptr<PluginEntry>& entry : entries) {
      if (!matchesExactly(request, *entry)) continue;
      const bool unregistered = unregisterModule(manifest, *entry);
      manifest.saveManifest();
      return unregistered;
    }
    return false;
  }
  bool result = false;
  bool anyUnregistered = false;
  for (const std::shared_ptr<PluginEntry>& entry : entries) {
    if (!matchesVersionRange(request, *entry)) continue;
    result = unregisterModule(manifest, *entry);
    anyUnregistered = true;
  }
  if (anyUnregistered) manifest.saveManifest();
  return result;
}

}  // namespace Norvell
