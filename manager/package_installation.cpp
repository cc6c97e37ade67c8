#include "manager/package_installation.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "manager/narrow_path.h"
#include "manager/package_limits.h"
#include "manager/plugin_entry_json.h"
#include "manager/plugin_folder_paths.h"

namespace fs = std::filesystem;

namespace Norvell {
namespace {

// The whole file, or the empty text when it is missing or cannot be read.
std::string readWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  try {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return {};
  }
}

bool writeWholeFile(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!out) return false;
  if (size > 0) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  return static_cast<bool>(out);
}

const FolderMove* folderMoveForTesting = nullptr;

void moveFolder(const fs::path& from, const fs::path& to) {
  if (folderMoveForTesting) {
    (*folderMoveForTesting)(from, to);
  } else {
    fs::rename(from, to);
  }
}

// Puts the folder `from` in place of `to`. An existing `to` is moved to
// `aside` first; when that fails nothing has changed. When the new folder
// then cannot be moved in, the old one is moved back. Raises the error of
// the move that failed.
void replaceFolder(const fs::path& from, const fs::path& to, const fs::path& aside) {
  std::error_code error;
  const bool replacing = fs::exists(fs::symlink_status(to, error));
  if (replacing) moveFolder(to, aside);
  try {
    moveFolder(from, to);
  } catch (const std::exception&) {
    if (replacing) fs::rename(aside, to, error);
    throw;
  }
}

// The package names a folder of its own: name, bit and version present and
// every name part made of safe characters.
bool describesItselfSafely(const PluginEntry& package) {
  for (const std::string* part : {&package.PluginName, &package.PluginBit, &package.PluginVersion}) {
    if (part->empty() || !isSafeNamePart(*part)) return false;
  }
  return isSafeNamePart(package.ModuleName);
}

// Moves the unpacked package to its install folder and records it in
// `entry`. False, with nothing moved, when the package does not describe
// itself well enough to be placed safely. The old install, if any, is moved
// into `temporaryFolder`. Raises file-system errors.
bool moveToInstallFolder(const std::string& pluginsFolder, const fs::path& temporaryFolder,
                         const std::string& unpackFolder, PluginEntry& entry) {
  PluginEntry package;
  parseDescriptor(readWholeFile(pathFromNarrow(unpackFolder) / "pluginmanifest.json"), package);
  if (!describesItselfSafely(package)) return false;
  const std::string folderName = package.PluginName + package.PluginBit + package.PluginVersion;
  if (isManifestFileName(folderName)) return false;
  const std::string installFolder = pluginsFolder + folderName;
  replaceFolder(pathFromNarrow(unpackFolder), pathFromNarrow(installFolder), temporaryFolder / "previous");
  package.ModulePath = installFolder + "/" + moduleFileName(package);
  copyNonEmptyFields(package, entry);
  return true;
}

}  // namespace

ScopedFolderMoveForTesting::ScopedFolderMoveForTesting(FolderMove move) : move_(std::move(move)) {
  folderMoveForTesting = &move_;
}

ScopedFolderMoveForTesting::~ScopedFolderMoveForTesting() { folderMoveForTesting = nullptr; }

bool installPackage(PluginManifest& manifest, PluginEntry& entry, const std::uint8_t* data, std::size_t size,
                    const PackageExtractor& extract) {
  if (size > kMaxPackageBytes) return false;
  fs::path temporaryPath;
  bool installed = false;
  try {
    const std::string pluginsFolder = manifest.pluginsFolder();
    const std::string temporaryFolder = pluginsFolder + boost::uuids::to_string(boost::uuids::random_generator()());
    const std::string packageFile = temporaryFolder + "/tmp";
    const std::string unpackFolder = temporaryFolder + "/unzip";
    temporaryPath = pathFromNarrow(temporaryFolder);
    fs::create_directory(temporaryPath);
    installed = writeWholeFile(pathFromNarrow(packageFile), data, size) && extract &&
                extract(packageFile, unpackFolder) &&
                moveToInstallFolder(pluginsFolder, temporaryPath, unpackFolder, entry);
  } catch (const std::exception&) {
    installed = false;  // the plug-ins folder, the temporary folder, the old install folder, the move
  }
  if (!temporaryPath.empty()) {
    std::error_code ignored;
    fs::remove_all(temporaryPath, ignored);
  }
  return installed;
}

bool finishPackageDownload(PluginManifest& manifest, const std::shared_ptr<PluginEntry>& entry, bool success,
                           const std::uint8_t* data, std::size_t size, const PackageExtractor& extract) {
  const bool installed = success && installPackage(manifest, *entry, data, size, extract);
  entry->downloading = false;
  if (installed) {
    manifest.saveManifest();
  } else {
    // Its ModulePath, if any, came from the page's descriptor and may name
    // another plug-in's folder: only the record goes.
    auto& entries = manifest.entries();
    const auto found = std::find(entries.begin(), entries.end(), entry);
    if (found != entries.end()) entries.erase(found);
  }
  return installed;
}

}  // namespace Norvell
