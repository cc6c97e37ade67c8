#include "manager/plugin_manifest.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "manager/narrow_path.h"
#include "manager/plugin_entry_json.h"
#include "manager/plugin_folder_paths.h"
#include "manager/plugin_matching.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

constexpr const char* kManifestFileName = "plugins.manifest";
constexpr const char* kNewManifestFileName = "plugins.manifest.new";  // saveManifest's text before it replaces the file

// The whole file, or the empty text when it is missing or cannot be read.
std::string readWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  try {
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return {};
    return text;
  } catch (const std::exception&) {
    return {};  // the stream raises read errors (a folder, a device failure)
  }
}

}  // namespace

std::string PluginManifest::pluginsFolder() {
  if (!cachedPluginsFolder_.empty()) return cachedPluginsFolder_;
  FB::Platform& platform = FB::Platform::instance();
  const std::wstring base = platform.localAppDataFolder();
  const std::string narrowBase = platform.narrowPath(base);
  // A lossy conversion would name some other folder.
  if (platform.widePath(narrowBase) != base) {
    throw fs::filesystem_error("The local application-data folder cannot be named in the narrow file-name encoding",
                               std::make_error_code(std::errc::illegal_byte_sequence));
  }
  const std::string folder = narrowBase + "/Norvell/ZephelPlugins/";
  const fs::path path = pathFromNarrow(narrowBase) / "Norvell" / "ZephelPlugins";
  std::error_code error;
  if (!fs::exists(path, error)) fs::create_directories(path);
  cachedPluginsFolder_ = folder;
  return folder;
}

std::string PluginManifest::manifestPath() { return pluginsFolder() + kManifestFileName; }

void PluginManifest::loadManifest() {
  for (const PluginEntry& entry : manifestEntries(readWholeFile(pathFromNarrow(manifestPath())))) {
    addEntryCopy(entry);
  }
}

bool PluginManifest::saveManifest() {
  const fs::path target = pathFromNarrow(manifestPath());
  fs::path written = target;
  written.replace_filename(kNewManifestFileName);
  std::error_code error;
  {
    std::ofstream out(written, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << manifestText(entries_);
    out.close();
    if (!out) {
      fs::remove(written, error);
      return false;
    }
  }
  fs::rename(written, target, error);
  if (error) {
    fs::remove(written, error);
    return false;
  }
  return true;
}

PluginManifest::EntryList PluginManifest::collectSameIdentity(const PluginEntry& request) const {
  EntryList same;
  for (const std::shared_ptr<PluginEntry>& entry : entries_) {
    if (sameIdentity(request, *entry)) same.push_back(entry);
  }
  return same;
}

std::shared_ptr<PluginEntry> PluginManifest::addEntryCopy(const PluginEntry& entry) {
  auto copy = std::make_shared<PluginEntry>(entry);
  copy->downloading = false;
  entries_.push_back(copy);
  return copy;
}

void PluginManifest::removeEntry(std::shared_ptr<PluginEntry> entry) {
  const auto found = std::find(entries_.begin(), entries_.end(), entry);
  if (found == entries_.end()) return;
  entries_.erase(found);
  if (entry->ModulePath.empty()) return;
  fs::path folder;
  try {
    folder = pathFromNarrow(entry->ModulePath).parent_path();
  } catch (const std::exception&) {
    return;  // text no file name can have: there is nothing to delete
  }
  if (folder.empty() || !liesInsideFolder(folder, pathFromNarrow(pluginsFolder()))) return;
  if (fs::exists(folder)) fs::remove_all(folder);
}

bool PluginManifest::holdsModule(const PluginEntry& entry) {
  if (entry.ModulePath.empty()) return false;
  try {
    return liesInsideFolder(pathFromNarrow(entry.ModulePath), pathFromNarrow(pluginsFolder()));
  } catch (const std::exception&) {
    return false;  // text no file name can have, or no plug-ins folder
  }
}

bool PluginManifest::moduleExists(const PluginEntry& entry) {
  if (!holdsModule(entry)) return false;
  FB::Platform& platform = FB::Platform::instance();
  try {
    return platform.pathAttributes(platform.widePath(entry.ModulePath)).status == FB::PathStatus::Exists;
  } catch (const std::exception&) {
    return false;
  }
}

bool isManifestFileName(std::string_view name) {
  const std::string text(name);
  return equalsIgnoreCase(text, kManifestFileName) || equalsIgnoreCase(text, kNewManifestFileName);
}

}  // namespace Norvell
