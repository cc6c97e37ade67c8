// Answering a request from the installed plug-ins: by name, bit and site
// version without a version; by version range and existing module with one,
// forgetting records whose files are gone.
#include "manager/installed_plugin_lookup.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

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
  void SetUp() override { fs::create_directories(folder_); }
  void TearDown() override { fs::remove_all(folder_); }

  std::shared_ptr<PluginEntry> add(const std::string& version, bool moduleExists, const std::string& site = "7") {
    std::string module;
    if (moduleExists) {
      const fs::path file = folder_ / ("np" + version + ".so");
      std::ofstream(file) << "module";
      module = file.string();
    } else {
      module = (folder_ / "gone" / "npGone.so").string();
    }
    return manifest_.addEntryCopy(PluginEntry{"Reader", "32", version, "", "", "", module, "", "", site, false});
  }
  static PluginEntry request(const std::string& version, const std::string& site = "7") {
    return PluginEntry{"READER", "32", version, "1.0", "2.0", "", "", "", "", site, false};
  }

  const fs::path folder_ = fs::temp_directory_path() / "nz_lookup_test";
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

  fs::remove(present->ModulePath);
  EXPECT_EQ(Norvell::findSatisfyingEntry(manifest_, request("1.5")), nullptr);
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{outOfRange, pending}));
}

}  // namespace
