// Installing downloaded packages into a real plug-ins folder, with the zip
// reader replaced by one that lays out the files the test chooses (or the
// real one): the resulting layout and record, the manifest, and that
// failures, packages with unsafe or missing descriptions, packages beyond
// the size limits and old installs in use leave the folder as it was.
#include "manager/package_installation.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "manager/narrow_path.h"
#include "manager/package_extraction.h"
#include "manager/package_limits.h"
#include "manager/test_package_builder.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"

namespace {

namespace fs = std::filesystem;
using Norvell::testing::utf8Of;
using Norvell::testing::readFile;
using Norvell::PluginEntry;
using Norvell::PluginManifest;

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string packageManifest(const std::string& name, const std::string& bit, const std::string& version,
                            const std::string& moduleName = "Reader") {
  return R"({"PluginName":")" + name + R"(","PluginBit":")" + bit + R"(","PluginVersion":")" + version +
         R"(","ModuleName":")" + moduleName + R"("})";
}

class PackageInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(base_);
    platform_.setLocalAppDataFolder(FB::toWide(utf8Of(base_)));
    plugins_ = Norvell::pathFromNarrow(manifest_.pluginsFolder());
  }
  void TearDown() override { fs::remove_all(base_); }

  // A zip reader that checks it got the downloaded bytes and then lays out
  // `files` (name to contents) in the unpack folder.
  Norvell::PackageExtractor unpacking(std::map<std::string, std::string> files, bool succeed = true) {
    return [this, files, succeed](const std::string& packagePath, const std::string& folder) {
      seenPackage_ = readFile(Norvell::pathFromNarrow(packagePath));
      ++extractions_;
      fs::create_directories(Norvell::pathFromNarrow(folder));
      for (const auto& [name, contents] : files) std::ofstream(Norvell::pathFromNarrow(folder) / name) << contents;
      return succeed;
    };
  }
  std::shared_ptr<PluginEntry> pendingEntry(const std::string& modulePath = "") {
    auto entry = manifest_.addEntryCopy(
        PluginEntry{"Reader", "32", "", "1.0", "2.0", "http://h/p.zip", modulePath, "", "", "7", false});
    entry->downloading = true;
    return entry;
  }
  bool finish(const std::shared_ptr<PluginEntry>& entry, const Norvell::PackageExtractor& extract,
              bool success = true) {
    return Norvell::finishPackageDownload(manifest_, entry, success,
                                          reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size(), extract);
  }
  // Downloads the zip package made of `entries` and installs it with the
  // real zip reader.
  bool installZip(const std::vector<Norvell::testing::PackageEntry>& entries) {
    const fs::path zip = base_ / "download.zip";
    Norvell::testing::writePackage(zip, entries);
    const std::string package = Norvell::testing::readBytes(zip);
    fs::remove(zip);
    return Norvell::finishPackageDownload(manifest_, pendingEntry(), true,
                                          reinterpret_cast<const std::uint8_t*>(package.data()), package.size(),
                                          Norvell::extractPackage);
  }

  const fs::path base_ = Norvell::testing::testFolder("nz_install_");
  fs::path plugins_;
  FB::FakePlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
  PluginManifest manifest_;
  const std::string bytes_ = std::string("PK\3\4 package\0bytes", 18);  // the inner NUL counts, the final one not
  std::string seenPackage_;
  int extractions_ = 0;
};

TEST_F(PackageInstallation, APackageLandsInItsInstallFolderAndTheRecordTakesItsDescription) {
  fs::create_directories(plugins_ / "Reader322.1");
  std::ofstream(plugins_ / "Reader322.1" / "stale.txt") << "from an earlier install";
  auto entry = pendingEntry();
  const std::string description = packageManifest("Reader", "32", "2.1");
  EXPECT_TRUE(finish(entry, unpacking({{"pluginmanifest.json", description}, {"npReader32.so", "module"}})));
  EXPECT_EQ(seenPackage_, bytes_);
  EXPECT_EQ(namesIn(plugins_), (std::vector<std::string>{"Reader322.1", "plugins.manifest"}));  // no temporary folder
  EXPECT_EQ(namesIn(plugins_ / "Reader322.1"), (std::vector<std::string>{"npReader32.so", "pluginmanifest.json"}));
  const std::string moduleFile = std::string("npReader32") + Norvell::kModuleFileSuffix;
  EXPECT_EQ(entry->PluginVersion, "2.1");  // the package's, not the request's
  EXPECT_EQ(entry->ModuleName, "Reader");
  EXPECT_EQ(entry->ModulePath, manifest_.pluginsFolder() + "Reader322.1/" + moduleFile);
  EXPECT_EQ(entry->ZipPackageURL, "http://h/p.zip");
  EXPECT_EQ(entry->PluginRequiredVersion, "1.0");
  EXPECT_FALSE(entry->downloading);
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{entry}));
  EXPECT_NE(readFile(plugins_ / "plugins.manifest").find(R"("PluginVersion":"2.1")"), std::string::npos);
}

// The whole way with the real zip reader: downloaded zip bytes become an
// installed plug-in.
TEST_F(PackageInstallation, ARealZipPackageInstalls) {
  const std::string moduleFile = std::string("npReader32") + Norvell::kModuleFileSuffix;
  const fs::path zip = base_ / "download.zip";
  Norvell::testing::writePackage(zip, {{"pluginmanifest.json", packageManifest("Reader", "32", "3.0")},
                                       {moduleFile, std::string("module\0bytes", 12)}});
  const std::string package = Norvell::testing::readBytes(zip);
  fs::remove(zip);
  auto entry = pendingEntry();
  EXPECT_TRUE(Norvell::finishPackageDownload(manifest_, entry, true,
                                             reinterpret_cast<const std::uint8_t*>(package.data()), package.size(),
                                             Norvell::extractPackage));
  EXPECT_EQ(entry->ModulePath, manifest_.pluginsFolder() + "Reader323.0/" + moduleFile);
  EXPECT_EQ(readFile(plugins_ / "Reader323.0" / moduleFile), std::string("module\0bytes", 12));

  // A damaged package installs nothing and leaves no folder behind.
  std::string damaged = package;
  damaged.resize(damaged.size() / 2);
  auto second = pendingEntry();
  EXPECT_FALSE(Norvell::finishPackageDownload(manifest_, second, true,
                                              reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size(),
                                              Norvell::extractPackage));
  EXPECT_EQ(namesIn(plugins_), (std::vector<std::string>{"Reader323.0", "plugins.manifest"}));
}

TEST_F(PackageInstallation, FailedDownloadsAndPackagesLeaveTheFolderAndDropTheRecord) {
  auto failedDownload = pendingEntry();
  EXPECT_FALSE(finish(failedDownload, unpacking({}), false));
  EXPECT_EQ(extractions_, 0);

  auto unreadable = pendingEntry();
  EXPECT_FALSE(finish(unreadable, unpacking({{"pluginmanifest.json", packageManifest("R", "32", "1")}}, false)));
  EXPECT_EQ(extractions_, 1);
  EXPECT_FALSE(unreadable->downloading);
  EXPECT_EQ(unreadable->PluginVersion, "");

  auto undescribed = pendingEntry();
  EXPECT_FALSE(finish(undescribed, unpacking({{"npReader32.so", "module"}})));
  EXPECT_FALSE(finish(pendingEntry(), Norvell::PackageExtractor()));  // no zip reader at all

  EXPECT_TRUE(manifest_.entries().empty());
  EXPECT_TRUE(namesIn(plugins_).empty());  // no temporary folders, no manifest
}

TEST_F(PackageInstallation, PackagesThatWouldLeaveOrReplaceThePluginsFolderAreRefused) {
  fs::create_directories(base_ / "victim");
  std::ofstream(base_ / "victim" / "keep.txt") << "keep";
  std::ofstream(plugins_ / "plugins.manifest") << R"({"Plugins":[]})";
  const std::vector<std::string> descriptions = {
      packageManifest("", "", ""),                    // the plug-ins folder itself
      packageManifest("../../../victim", "", ""),     // a folder outside it
      packageManifest("..", "", ""),
      packageManifest("a\\..\\..", "32", "1"),
      packageManifest("C:", "", ""),
      packageManifest("plugins.manifest", "", ""),    // the list's own file
      packageManifest("Reader", "32", "1.0", "/../../../victim/keep.txt"),  // a module outside its folder
      packageManifest("", "32", "1.0"),               // a part missing: no folder of its own
      packageManifest("Reader", "", "1.0"),
      packageManifest("Reader", "32", ""),
      packageManifest("plugins", ".man", "ifest"),    // the manifest file, put together
      packageManifest("Plugins", ".Man", "ifest"),    // ... in other letter case
      packageManifest("PLUGINS", ".MANIFEST", ".new"),  // the manifest's new text
      packageManifest("Plugins", ".", "Manifest"),
      packageManifest("Reader", "32", "1.0."),        // Windows trims to another version's folder
      packageManifest("Reader", "32", "1.0 "),
      packageManifest("Reader", "32", "1.0", "Reader."),
      packageManifest("R\xC3\xA9" "ader", "32", "1.0"),  // outside the safe characters
      packageManifest("Reader", "32", "1.0", "x y"),
  };
  for (const std::string& description : descriptions) {
    auto entry = pendingEntry();
    EXPECT_FALSE(finish(entry, unpacking({{"pluginmanifest.json", description}}))) << description;
    EXPECT_EQ(entry->ModulePath, "") << description;
  }
  EXPECT_EQ(readFile(base_ / "victim" / "keep.txt"), "keep");
  EXPECT_EQ(namesIn(plugins_), std::vector<std::string>{"plugins.manifest"});
  EXPECT_EQ(readFile(plugins_ / "plugins.manifest"), R"({"Plugins":[]})");
}

TEST_F(PackageInstallation, AnOldInstallThatCannotBeMovedAsideStaysWholeAndTheInstallFails) {
  fs::create_directories(plugins_ / "Reader322.1");
  std::ofstream(plugins_ / "Reader322.1" / "npReader32.so") << "old module";
  std::ofstream(plugins_ / "Reader322.1" / "data.txt") << "old data";
  const auto package = unpacking({{"pluginmanifest.json", packageManifest("Reader", "32", "2.1")},
                                  {"npReader32.so", "new module"}});
  std::vector<std::string> moves;
  std::string refused;  // the folder whose move fails, as when its module is in use
  Norvell::ScopedFolderMoveForTesting move([&](const fs::path& from, const fs::path& to) {
    moves.push_back(from.filename().string() + " > " + to.filename().string());
    if (from.filename() == refused) {
      throw fs::filesystem_error("in use", from, to, std::make_error_code(std::errc::permission_denied));
    }
    fs::rename(from, to);
  });
  for (const char* folder : {"Reader322.1", "unzip"}) {
    refused = folder;
    EXPECT_FALSE(finish(pendingEntry(), package)) << folder;
    EXPECT_EQ(namesIn(plugins_), std::vector<std::string>{"Reader322.1"}) << folder;  // no temporary folder
    EXPECT_EQ(readFile(plugins_ / "Reader322.1" / "npReader32.so"), "old module") << folder;
    EXPECT_EQ(readFile(plugins_ / "Reader322.1" / "data.txt"), "old data") << folder;
  }
  EXPECT_TRUE(manifest_.entries().empty());

  refused.clear();
  moves.clear();
  EXPECT_TRUE(finish(pendingEntry(), package));
  EXPECT_EQ(moves, (std::vector<std::string>{"Reader322.1 > previous", "unzip > Reader322.1"}));
  EXPECT_EQ(namesIn(plugins_ / "Reader322.1"), (std::vector<std::string>{"npReader32.so", "pluginmanifest.json"}));
  EXPECT_EQ(readFile(plugins_ / "Reader322.1" / "npReader32.so"), "new module");
}

TEST_F(PackageInstallation, PackagesBeyondTheSizeLimitsInstallNothing) {
  using Norvell::testing::PackageEntry;
  const PackageEntry description{"pluginmanifest.json", packageManifest("Reader", "32", "1.0")};
  const PackageEntry module{"npReader32.so", "module"};
  // Runs of zeros made by hand unpack like any other data...
  ASSERT_TRUE(installZip({description, module, PackageEntry{"zeros.bin", "", true, 1000}}));
  EXPECT_EQ(fs::file_size(plugins_ / "Reader321.0" / "zeros.bin"), 258001u);

  // ...but not beyond the limits: a zip bomb of one entry or of several,
  // and more entries than allowed.
  const std::uint64_t overLimit = Norvell::kMaxUnpackedBytes / 258 + 1;
  std::vector<PackageEntry> manyEntries{description, module};
  for (std::uint64_t i = 0; i < Norvell::kMaxPackageEntries; ++i) manyEntries.push_back({"f" + std::to_string(i), ""});
  const std::vector<std::vector<PackageEntry>> packages = {
      {description, module, PackageEntry{"bomb.bin", "", true, overLimit}},
      {description, module, PackageEntry{"half1.bin", "", true, overLimit / 2 + 1},
       PackageEntry{"half2.bin", "", true, overLimit / 2 + 1}},
      manyEntries,
  };
  fs::remove_all(plugins_ / "Reader321.0");
  for (const auto& package : packages) {
    EXPECT_FALSE(installZip(package)) << package.back().name;
    EXPECT_EQ(namesIn(plugins_), std::vector<std::string>{"plugins.manifest"}) << package.back().name;
  }

  // A download larger than a package may be is not even written to disk.
  const std::size_t size = Norvell::kMaxPackageBytes + 1;
  std::unique_ptr<std::uint8_t, decltype(&std::free)> huge(static_cast<std::uint8_t*>(std::calloc(size, 1)),
                                                           &std::free);  // pages untouched until read
  ASSERT_TRUE(huge);
  auto entry = pendingEntry();
  EXPECT_FALSE(Norvell::finishPackageDownload(manifest_, entry, true, huge.get(), size, unpacking({})));
  EXPECT_EQ(extractions_, 0);
  EXPECT_EQ(namesIn(plugins_), std::vector<std::string>{"plugins.manifest"});
}

TEST_F(PackageInstallation, AFailedRecordDeletesNoFolderItsDescriptorNamed) {
  fs::create_directories(plugins_ / "Other321.0");
  std::ofstream(plugins_ / "Other321.0" / "npOther32.so") << "another plug-in";
  auto entry = pendingEntry(manifest_.pluginsFolder() + "Other321.0/npOther32.so");
  EXPECT_FALSE(finish(entry, unpacking({}, false)));
  EXPECT_TRUE(manifest_.entries().empty());
  EXPECT_TRUE(fs::exists(plugins_ / "Other321.0" / "npOther32.so"));
}

}  // namespace
