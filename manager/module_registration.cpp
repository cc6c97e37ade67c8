#include "manager/module_registration.h"

#include <exception>
#include <filesystem>
#include <string>
#include <type_traits>

#include "manager/narrow_path.h"
#include "manager/plugin_folder_paths.h"
#include "platform/platform.h"
#include "scripting/text_conversion.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

// A path as wide text. (A template so that only the branch of this system's
// path type is compiled.)
template <class Path>
std::wstring wideOf(const Path& path) {
  if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
    return path.native();
  } else {
    const std::u8string text = path.u8string();
    return FB::toWide(std::string(text.begin(), text.end()));
  }
}

// Calls `entryPointName` of the record's module, which must lie inside the
// plug-ins folder. ModulePath must not be empty.
bool callEntryPoint(PluginManifest& manifest, const PluginEntry& entry, const char* entryPointName) {
  const fs::path pluginsFolder = pathFromNarrow(manifest.pluginsFolder());
  fs::path module;
  try {
    module = pathFromNarrow(entry.ModulePath);
  } catch (const std::exception&) {
    return false;  // text no file name can have
  }
  if (!liesInsideFolder(module, pluginsFolder)) return false;
  FB::Platform& platform = FB::Platform::instance();
  // Libraries shipped next to the module must be found when it loads.
  platform.appendLibrarySearchPath(wideOf(module.parent_path()));
  return platform.callModuleEntryPoint(wideOf(module), entryPointName).succeeded();
}

}  // namespace

bool registerModule(PluginManifest& manifest, PluginEntry& entry) {
  if (entry.ModulePath.empty()) return false;
  const bool succeeded = callEntryPoint(manifest, entry, "DllRegisterServer");
  entry.Installed = succeeded ? "1" : "0";
  return succeeded;
}

bool unregisterModule(PluginManifest& manifest, PluginEntry& entry) {
  if (entry.ModulePath.empty()) return false;
  const bool succeeded = callEntryPoint(manifest, entry, "DllUnregisterServer");
  entry.Installed = "0";
  return succeeded;
}

}  // namespace Norvell
