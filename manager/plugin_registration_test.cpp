// Registering and unregistering secondary plug-ins against a real plug-ins
// folder, with the module calls answered by FakePlatform: which records are
// chosen, what happens to the other versions, the Installed field, when the
// manifest is rewritten, and that no module outside the plug-ins folder is
// ever loaded.
#include "manager/plugin_registration.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "manager/manager_test_support.h"
#include "manager/module_registration.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"

namespace {

namespace fs = std::filesystem;
using Norvell::testing::utf8Of;
using FB::ModuleCallResult;
using Norvell::PluginEntry;
using Norvell::PluginManifest;

std::string descriptor(const std::string& version, const std::string& required = "", const std::string& latest = "") {
  return R"({"PluginName":"Reader","PluginBit":"32","PluginVersion":")" + version +
         R"(","PluginRequiredVersion":")" + required + R"(","PluginLatestVersion":")" + latest + R"("})";
}

// Module calls are faked; whether files exist is the real file system's say.
class RealFilesPlatform : public FB::FakePlatform {
 public:
  FB::PathAttributes pathAttributes(const std::wstring& path) override {
    return FB::Platform::systemInstance().pathAttributes(path);
  }
};

class PluginRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(base_);
    platform_.setLocalAppDataFolder(FB::toWide(utf8Of(base_)));
  }
  void TearDown() override { fs::remove_all(base_); }

  // A record of Reader 32 in `version` whose module file exists in its own
  // install folder; its module answers `answer`.
  std::shared_ptr<PluginEntry> installed(const std::string& version, const std::string& installedFlag,
                                         ModuleCallResult answer = ModuleCallResult::answered(0)) {
    const std::string folder = manifest_.pluginsFolder() + "Reader32" + version;
    fs::create_directories(folder);
    const std::string module = folder + "/npReader32.so";
    std::ofstream(module) << "module";
    platform_.answerModuleCalls(FB::toWide(module), answer);
    PluginEntry entry{"Reader", "32", version, "", "", "", module, "Reader", installedFlag, "", false};
    return manifest_.addEntryCopy(entry);
  }
  std::vector<std::string> calls() const {
    std::vector<std::string> calls;
    for (const auto& call : platform_.moduleCalls()) {
      calls.push_back(call.entryPoint + " " + fs::path(call.path).parent_path().filename().string());
    }
    return calls;
  }
  bool manifestWritten() const { return fs::exists(plugins_ / "plugins.manifest"); }

  const fs::path base_ = Norvell::testing::testFolder("nz_registration_");
  const fs::path plugins_ = base_ / "Norvell" / "ZephelPlugins";
  RealFilesPlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
  PluginManifest manifest_;
};

TEST_F(PluginRegistrationTest, RegisteringAVersionRetiresTheOthersAndRewritesTheManifest) {
  auto old = installed("1.0", "1");
  auto chosen = installed("1.2", "");
  auto newer = installed("2.0", "1");
  EXPECT_TRUE(Norvell::registerPlugin(manifest_, descriptor("", "1.2", "1.2")));
  EXPECT_EQ(calls(), (std::vector<std::string>{"DllUnregisterServer Reader321.0", "DllUnregisterServer Reader322.0",
                                               "DllRegisterServer Reader321.2"}));
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{chosen, newer}));
  EXPECT_FALSE(fs::exists(plugins_ / "Reader321.0"));
  EXPECT_TRUE(fs::exists(plugins_ / "Reader322.0" / "npReader32.so"));
  EXPECT_EQ(chosen->Installed, "1");
  EXPECT_EQ(newer->Installed, "0");
  EXPECT_TRUE(manifestWritten());
  // The module's folder was put on the library search path before each load.
  ASSERT_EQ(platform_.searchPathAdditions().size(), 3u);
  EXPECT_EQ(fs::path(platform_.searchPathAdditions()[2]).filename(), "Reader321.2");
}

TEST_F(PluginRegistrationTest, OldVersionsGoEvenUnregisteredWhilePendingDownloadsStay) {
  auto never = installed("0.9", "");      // never registered: removed, not unregistered
  auto zero = installed("1.0", "0");      // unregistered before: removed, not unregistered
  auto odd = installed("1.1", "maybe");   // any other text counts as registered
  PluginEntry pending{"Reader", "32", "", "", "", "", "", "", "1", "", false};
  auto download = manifest_.addEntryCopy(pending);
  download->downloading = true;
  auto chosen = installed("2.0", "");
  EXPECT_TRUE(Norvell::registerPlugin(manifest_, descriptor("2.0", "2.0", "2.0")));
  EXPECT_EQ(calls(), (std::vector<std::string>{"DllUnregisterServer Reader321.1", "DllRegisterServer Reader322.0"}));
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{download, chosen}));
  EXPECT_EQ(odd->Installed, "0");
}

TEST_F(PluginRegistrationTest, AFailedRegistrationSaysZeroAndStillRewritesTheManifest) {
  auto refusing = installed("1.0", "1", ModuleCallResult::answered(-2147467259));
  EXPECT_FALSE(Norvell::registerPlugin(manifest_, descriptor("1.0")));
  EXPECT_EQ(refusing->Installed, "0");
  EXPECT_TRUE(manifestWritten());

  auto noEntryPoint = installed("2.0", "", ModuleCallResult{ModuleCallResult::Outcome::NoEntryPoint, 0});
  EXPECT_FALSE(Norvell::registerPlugin(manifest_, descriptor("2.0")));
  EXPECT_EQ(noEntryPoint->Installed, "0");
}

TEST_F(PluginRegistrationTest, OnlyRecordsWithAnExistingModuleQualify) {
  PluginEntry bare{"Reader", "32", "1.0", "", "", "", "", "", "", "", false};
  manifest_.addEntryCopy(bare);  // no ModulePath
  EXPECT_FALSE(Norvell::registerPlugin(manifest_, descriptor("1.0")));
  EXPECT_FALSE(Norvell::registerPlugin(manifest_, "not a descriptor"));
  EXPECT_TRUE(platform_.moduleCalls().empty());
  EXPECT_FALSE(manifestWritten());

  auto gone = installed("1.1", "");
  fs::remove_all(plugins_ / "Reader321.1");
  auto present = installed("1.5", "");
  EXPECT_TRUE(Norvell::registerPlugin(manifest_, descriptor("", "1.0", "2.0")));  // passes over 1.0 and 1.1
  EXPECT_EQ(calls(), (std::vector<std::string>{"DllRegisterServer Reader321.5"}));
  EXPECT_EQ(gone->Installed, "");
}

TEST_F(PluginRegistrationTest, ModulesOutsideThePluginsFolderAreNeverLoaded) {
  const fs::path outside = base_ / "elsewhere" / "npReader32.so";
  fs::create_directories(outside.parent_path());
  std::ofstream(outside) << "module";
  platform_.answerModuleCalls(outside.wstring(), ModuleCallResult::answered(0));
  const std::string climbing = manifest_.pluginsFolder() + "../../elsewhere/npReader32.so";
  for (const std::string& path : {utf8Of(outside), climbing}) {
    auto entry = manifest_.addEntryCopy(PluginEntry{"Reader", "32", "1.0", "", "", "", path, "", "1", "", false});
    EXPECT_FALSE(Norvell::registerPlugin(manifest_, descriptor("1.0")));  // not chosen: not installed
    EXPECT_EQ(entry->Installed, "1");
    EXPECT_FALSE(Norvell::unregisterModule(manifest_, *entry));
    manifest_.entries().clear();
  }
  EXPECT_TRUE(platform_.moduleCalls().empty());
  EXPECT_TRUE(platform_.searchPathAdditions().empty());
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_FALSE(manifestWritten());
}

// An older version whose record points outside the plug-ins folder is
// nothing to retire: it is neither unregistered nor removed, and the folder
// it names stays.
TEST_F(PluginRegistrationTest, ARecordOutsideThePluginsFolderIsNotRetired) {
  const fs::path outside = base_ / "elsewhere" / "npReader32.so";
  fs::create_directories(outside.parent_path());
  std::ofstream(outside) << "module";
  auto foreign = manifest_.addEntryCopy(PluginEntry{"Reader", "32", "0.5", "", "", "", utf8Of(outside), "", "1", "", false});
  auto chosen = installed("1.0", "");
  EXPECT_TRUE(Norvell::registerPlugin(manifest_, descriptor("1.0")));
  EXPECT_EQ(calls(), std::vector<std::string>{"DllRegisterServer Reader321.0"});
  EXPECT_EQ(manifest_.entries(), (PluginManifest::EntryList{foreign, chosen}));
  EXPECT_EQ(foreign->Installed, "1");
  EXPECT_TRUE(fs::exists(outside));
}

TEST_F(PluginRegistrationTest, UnregisteringByExactVersionOrByRange) {
  auto first = installed("1.0", "1");
  auto duplicate = installed("1.0", "1");
  auto failing = installed("1.5", "1", ModuleCallResult::answered(-1));
  EXPECT_TRUE(Norvell::unregisterPlugin(manifest_, descriptor("1.0")));
  EXPECT_EQ(calls().size(), 1u);  // the first exact match only
  EXPECT_EQ(first->Installed, "0");
  EXPECT_EQ(duplicate->Installed, "1");
  EXPECT_TRUE(manifestWritten());

  fs::remove(plugins_ / "plugins.manifest");
  EXPECT_FALSE(Norvell::unregisterPlugin(manifest_, descriptor("", "1.0", "2.0")));  // the last one decides
  EXPECT_EQ(calls().size(), 4u);
  EXPECT_EQ(duplicate->Installed, "0");
  EXPECT_EQ(failing->Installed, "0");
  EXPECT_TRUE(manifestWritten());
  EXPECT_EQ(manifest_.entries().size(), 3u);  // records and files stay
  EXPECT_TRUE(fs::exists(plugins_ / "Reader321.5"));

  fs::remove(plugins_ / "plugins.manifest");
  EXPECT_FALSE(Norvell::unregisterPlugin(manifest_, descriptor("3.0")));
  EXPECT_FALSE(Norvell::unregisterPlugin(manifest_, descriptor("", "3.0", "4.0")));
  EXPECT_FALSE(manifestWritten());
}

}  // namespace
