// The plug-in list against a real folder: the plug-ins folder below a fake
// local application-data folder, the manifest file written and read back,
// and which folders removing an entry may delete.
#include "manager/plugin_manifest.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"

namespace {

namespace fs = std::filesystem;
using Norvell::testing::utf8Of;
using Norvell::PluginEntry;
using Norvell::PluginManifest;

PluginEntry record(const std::string& name, const std::string& version, const std::string& modulePath = "") {
  return PluginEntry{name, "32", version, "", "", "", modulePath, "", "", "", false};
}

// A platform whose narrow encoding cannot hold anything beyond ASCII.
class AsciiPlatform : public FB::FakePlatform {
 public:
  std::string narrowPath(const std::wstring& path) override {
    std::string narrow;
    for (wchar_t c : path) narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
  }
};

class PluginManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(base_);
    platform_.setLocalAppDataFolder(FB::toWide(utf8Of(base_)));
  }
  void TearDown() override { fs::remove_all(base_); }

  const fs::path base_ = Norvell::testing::testFolder("nz_manager_");
  const fs::path plugins_ = base_ / "Norvell" / "ZephelPlugins";
  FB::FakePlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
};

TEST_F(PluginManifestTest, PluginsFolderIsCreatedOnceAndRetriedAfterAFailure) {
  std::ofstream(base_ / "Norvell") << "a file where the folder belongs";
  PluginManifest manifest;
  EXPECT_THROW(manifest.pluginsFolder(), fs::filesystem_error);
  fs::remove(base_ / "Norvell");
  EXPECT_EQ(manifest.manifestPath(), utf8Of(base_) + "/Norvell/ZephelPlugins/plugins.manifest");
  EXPECT_TRUE(fs::is_directory(plugins_));
  manifest.pluginsFolder();
  EXPECT_EQ(platform_.localAppDataQueries(), 2);  // kept after the first success

  AsciiPlatform ascii;  // a name the narrow encoding would change is refused
  ascii.setLocalAppDataFolder(FB::toWide(utf8Of(base_ / "x")) + L"\u00e9");
  FB::ScopedPlatformForTesting use(ascii);
  EXPECT_THROW(PluginManifest().pluginsFolder(), fs::filesystem_error);
  EXPECT_FALSE(fs::exists(base_ / "x?"));
}

TEST_F(PluginManifestTest, SavedListsLoadBackAfterWhateverTheListHolds) {
  PluginManifest writer;
  writer.addEntryCopy(record("Reader", "1.0", "C:\\U/Norvell/ZephelPlugins/R/npR32.dll"))->downloading = true;
  writer.addEntryCopy(record("Pending", ""));  // no version yet: dropped on load
  ASSERT_TRUE(writer.saveManifest());
  EXPECT_FALSE(fs::exists(plugins_ / "plugins.manifest.new"));

  PluginManifest reader;
  reader.addEntryCopy(record("Already", "1"));
  reader.loadManifest();
  reader.loadManifest();
  ASSERT_EQ(reader.entries().size(), 3u);
  EXPECT_EQ(reader.entries()[1]->ModulePath, writer.entries()[0]->ModulePath);
  EXPECT_FALSE(reader.entries()[1]->downloading);
  EXPECT_EQ(reader.entries()[2]->PluginName, "Reader");
  EXPECT_EQ(reader.collectSameIdentity(record("READER", "")), PluginManifest::EntryList(reader.entries().begin() + 1,
                                                                                         reader.entries().end()));
  fs::remove(plugins_ / "plugins.manifest");
  fs::create_directories(plugins_ / "plugins.manifest");  // a folder where the file belongs
  reader.loadManifest();
  EXPECT_EQ(reader.entries().size(), 3u);
  EXPECT_FALSE(reader.saveManifest());
  EXPECT_FALSE(fs::exists(plugins_ / "plugins.manifest.new"));
}

TEST_F(PluginManifestTest, RemovingAnEntryDeletesItsModuleFolderInsideThePluginsFolder) {
  PluginManifest manifest;
  const PluginEntry installed = record("Reader", "1.0", manifest.pluginsFolder() + "Reader321.0/npM32.dll");
  fs::create_directories(plugins_ / "Reader321.0" / "data");
  const auto entry = manifest.addEntryCopy(installed);
  manifest.addEntryCopy(installed);

  manifest.removeEntry(std::make_shared<PluginEntry>(installed));  // equal, but not in the list
  EXPECT_EQ(manifest.entries().size(), 2u);
  EXPECT_TRUE(fs::exists(plugins_ / "Reader321.0"));

  manifest.removeEntry(manifest.entries()[1]);  // the list's own reference
  EXPECT_EQ(manifest.entries(), PluginManifest::EntryList{entry});
  EXPECT_FALSE(fs::exists(plugins_ / "Reader321.0"));
  EXPECT_TRUE(fs::is_directory(plugins_));
}

TEST_F(PluginManifestTest, RemovingAnEntryNeverDeletesOutsideOrThePluginsFolderItself) {
  PluginManifest manifest;
  manifest.saveManifest();
  fs::create_directories(base_ / "Elsewhere");
  const std::string folder = manifest.pluginsFolder();
  for (const std::string& modulePath : {utf8Of(base_) + "/Elsewhere/np.dll", folder + "../../Elsewhere/np.dll",
                                        folder + "np.dll", folder + "./np.dll", std::string("np.dll")}) {
    manifest.removeEntry(manifest.addEntryCopy(record("Reader", "1.0", modulePath)));
    EXPECT_TRUE(manifest.entries().empty()) << modulePath;
    EXPECT_TRUE(fs::exists(base_ / "Elsewhere")) << modulePath;
    EXPECT_TRUE(fs::exists(plugins_ / "plugins.manifest")) << modulePath;
  }
}

TEST_F(PluginManifestTest, ModulesExistOnlyInsideThePluginsFolderWhereTheSystemFindsThem) {
  PluginManifest manifest;
  const std::string inside = manifest.pluginsFolder() + "Reader321.0/np.dll";
  const std::string climbing = manifest.pluginsFolder() + "Reader321.0/../../np.dll";
  const std::string outside = utf8Of(base_) + "/np.dll";
  for (const std::string& path : {inside, climbing, outside}) {
    platform_.setPathAttributes(FB::toWide(path), FB::PathAttributes::of(FB::PathStatus::Exists));
  }
  EXPECT_TRUE(manifest.moduleExists(record("Reader", "1.0", inside)));
  EXPECT_FALSE(manifest.moduleExists(record("Reader", "1.0")));
  EXPECT_FALSE(manifest.moduleExists(record("Reader", "1.0", manifest.pluginsFolder() + "Reader321.0/gone.dll")));
  EXPECT_FALSE(manifest.moduleExists(record("Reader", "1.0", climbing)));
  EXPECT_FALSE(manifest.moduleExists(record("Reader", "1.0", outside)));
  EXPECT_FALSE(manifest.moduleExists(record("Reader", "1.0", "\xFF\xFE")));  // no name the platform can read
}

// On Windows a file read in text mode ends at the byte 0x1A: every record
// after a value holding it would be lost.
TEST_F(PluginManifestTest, TheManifestKeepsEveryByteOfItsValues) {
  PluginManifest writer;
  writer.addEntryCopy(record("Reader", "1.0"))->ModuleName = "a\x1A\r\nb";
  writer.addEntryCopy(record("Writer", "2.0"));
  ASSERT_TRUE(writer.saveManifest());
  PluginManifest reader;
  reader.loadManifest();
  ASSERT_EQ(reader.entries().size(), 2u);
  EXPECT_EQ(reader.entries()[0]->ModuleName, "a\x1A\r\nb");
  EXPECT_EQ(reader.entries()[1]->PluginName, "Writer");
}

}  // namespace
