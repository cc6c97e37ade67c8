// Answering a request from the installed plug-ins: by name, bit and site
// version without a version; by version range and existing module inside
// the plug-ins folder with one, forgetting records whose files are gone.
#include "manager/installed_plugin_lookup.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "manager/narrow_path.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"

namespace {

namespace fs = std::filesystem;
using Norvell::PluginEntry;
using Norvell::PluginManifest;

class RealFilesPlatform : public FB::FakePlatform {
 public:
  FB::PathAttributes pathAttributes(const std::wstring& path) override {
    return FB::Platform::systemInstance().pathAttributes(path);
  }
};

class InstalledPluginLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_.setLocalAppDataFolder(FB::toWide(Norvell::testing::utf8Of(base_)));
    folder_ = Norvell::pathFromNarrow(manifest_.pluginsFolder()) / "Reader32";
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(base_); }

  std::shared_ptr<PluginEntry> add(const std::string& version, bool moduleExists, const std::string& site = "7") {
    std::string module;
    if (moduleExists) {
      const fs::path file = folder_ / ("np" + version + ".so");
      std::ofstream(file) << "module";
      module = Norvell::testing::utf8Of(file);
    } else {
      module = Norvell::testing::utf8Of(folder_ / "gone" / "npGone.so");
    }
    return manifest_.addEntryCopy(PluginEntry{"Reader", "32", version, "", "", "", module, "", "", site, false});
  }
  static PluginEntry request(const std::string& version, const std::string& site = "7") {
    return PluginEntry{"READER", "32", version, "1.0", "2.0", "", "", "", "", site, false};
  }

  const fs::path base_ = Norvell::testing::testFolder("nz_lookup_");
  fs::path folder_;  // an install folder inside the plug-ins folder
  RealFilesPlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
  PluginManifest manifest_;
};

TEST_F(InstalledPluginLookup, WithoutAVersionNameBitAndSiteVersionDecideWhateverTheFiles) {
  add("1.0", true, "6");
  auto pending = add("", false, "7");
  pending->downloading = true;
  EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("", "7")), pending);
  EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("", "8")), nullptr);
  EXPECT_EQ(manifest_.entries().size(), 2u);
}

TEST_F(InstalledPluginLookup, WithAVersionTheFirstInRangeWithAModuleWinsAndStaleRecordsGo) {
  auto outOfRange = add("3.0", false);
  add("1.1", false);
  add("1.2", false);  // two stale neighbours both go
  auto pending = add("1.3", false);
  pending->downloading = true;
  auto present = add("1.5", true);
  auto later = add("1.6", false);  // after the answer: untouched
  EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("1.5")), present);
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{outOfRange, pending, present, later}));

  fs::remove(Norvell::pathFromNarrow(present->ModulePath));
  EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("1.5")), nullptr);
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{outOfRange, pending}));
}

// A changed manifest file may point a record at any module on the disk:
// outside the plug-ins folder it counts as missing, and its file stays.
TEST_F(InstalledPluginLookup, AModuleOutsideThePluginsFolderAnswersNothing) {
  const fs::path outside = base_ / "elsewhere" / "npReader32.so";
  fs::create_directories(outside.parent_path());
  std::ofstream(outside) << "module";
  const std::string climbing = manifest_.pluginsFolder() + "Reader32/../../../elsewhere/npReader32.so";
  for (const std::string& path : {Norvell::testing::utf8Of(outside), climbing}) {
    manifest_.addEntryCopy(PluginEntry{"Reader", "32", "1.5", "", "", "", path, "", "", "7", false});
    EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("1.5")), nullptr) << path;
    EXPECT_TRUE(manifest_.entries().empty()) << path;
  }
  EXPECT_TRUE(fs::exists(outside));
}

}  // namespace
