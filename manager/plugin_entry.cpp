#include "manager/plugin_entry.h"

namespace Norvell {

// NZ_MODULE_FILE_SUFFIX comes from the build, per target system.
const char* const kModuleFileSuffix = NZ_MODULE_FILE_SUFFIX;

void copyNonEmptyFields(const PluginEntry& source, PluginEntry& target) {
  for (std::string PluginEntry::*field :
       {&PluginEntry::PluginName, &PluginEntry::PluginBit, &PluginEntry::PluginVersion,
        &PluginEntry::PluginRequiredVersion, &PluginEntry::PluginLatestVersion, &PluginEntry::ZipPackageURL,
        &PluginEntry::ModulePath, &PluginEntry::ModuleName, &PluginEntry::Installed, &PluginEntry::Siteversion}) {
    if (!(source.*field).empty()) target.*field = source.*field;
  }
}

std::string moduleFileName(const PluginEntry& entry) {
  return "np" + entry.ModuleName + entry.PluginBit + kModuleFileSuffix;
}

}  // namespace Norvell
