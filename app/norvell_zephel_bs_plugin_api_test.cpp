// The root object's plug-in manager members as script reaches them:
// "version", argument checks, the trusted-site gate, loading and dropping
// the plug-in list, and registering a real module (the stand-in secondary
// module) end to end.
#include "app/norvell_zephel_bs_plugin_api.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/trusted_site.h"
#include "manager/manager_test_support.h"
#include "manager/plugin_entry.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"
#include "testing/environment_variable.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::testing::setVariable;

namespace fs = std::filesystem;
using Norvell::testing::utf8Of;
using Norvell::testing::readFile;
using FB::variant;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;

// The test's local application-data folder; files and modules are real.
class RealModulesPlatform : public FB::FakePlatform {
 public:
  FB::PathAttributes pathAttributes(const std::wstring& path) override {
    return FB::Platform::systemInstance().pathAttributes(path);
  }
  void appendLibrarySearchPath(const std::wstring& folder) override {
    FB::FakePlatform::appendLibrarySearchPath(folder);  // recorded only: the test's environment stays
  }
  FB::ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) override {
    FB::FakePlatform::callModuleEntryPoint(path, name);
    return FB::Platform::systemInstance().callModuleEntryPoint(path, name);
  }
};

class PluginManagerMembers : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(plugins_);
    platform_.setLocalAppDataFolder(FB::toWide(utf8Of(base_)));
    setVariable("NZ_TEST_MODULE_LOG", utf8Of(base_ / "module.log"));
    setVariable("NZ_TEST_MODULE_RESULT", "0");
  }
  void TearDown() override {
    host_->shutdown();
    fs::remove_all(base_);
  }

  // Installs the stand-in module as Reader 32 `version` and answers the
  // manifest object for it.
  std::string installReader(const std::string& version, const std::string& installed) {
    Norvell::PluginEntry entry{"Reader", "32", version, "", "", "", "", "Reader", installed, "", false};
    const fs::path folder = plugins_ / ("Reader32" + version);
    fs::create_directories(folder);
    const fs::path module = folder / Norvell::moduleFileName(entry);
    fs::copy_file(NZ_TEST_MODULE_PATH, module);
    return R"({"PluginName":"Reader","PluginBit":"32","PluginVersion":")" + version +
           R"(","ZipPackageURL":"","ModulePath":")" + utf8Of(module) + R"(","ModuleName":"Reader","Installed":")" +
           installed + R"(","Siteversion":""})";
  }
  void writeManifest(const std::string& objects) {
    std::ofstream(plugins_ / "plugins.manifest") << R"({"Plugins":[)" + objects + "]}";
  }

  const fs::path base_ = Norvell::testing::testFolder("nz_app_manager_");
  const fs::path plugins_ = base_ / "Norvell" / "ZephelPlugins";
  RealModulesPlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
  std::shared_ptr<FakeBrowserHost> host_ = FakeBrowserHost::create();
  std::shared_ptr<NorvellZephelBSPluginAPI> api_ = std::make_shared<NorvellZephelBSPluginAPI>(nullptr, host_);
};

TEST_F(PluginManagerMembers, VersionIsFixedReadOnlyAndOpenToEveryPage) {
  EXPECT_EQ(api_->readProperty("version").get<std::string>(), "1.0.7");
  EXPECT_THROW(api_->writeProperty("version", variant("2.0")), FB::bad_function_call);
  EXPECT_EQ(api_->readProperty("version").get<std::string>(), "1.0.7");
  for (const char* method : {"updatePlugin", "registerPlugin", "unregisterPlugin", "initialize", "unInitialize"}) {
    EXPECT_TRUE(api_->hasMethodNamed(method)) << method;
  }

  auto untrustedHost = FakeBrowserHost::create("https://example.com/");
  NorvellZephelBSPluginAPI untrusted(nullptr, untrustedHost);
  EXPECT_EQ(untrusted.readProperty("version").get<std::string>(), "1.0.7");
  try {
    untrusted.callMethod("initialize", VariantVector{});
    FAIL();
  } catch (const FB::script_error& e) {
    EXPECT_STREQ(e.what(), Norvell::kUntrustedSiteMessage);
  }
  EXPECT_EQ(platform_.localAppDataQueries(), 0);  // nothing was touched
  untrustedHost->shutdown();
}

TEST_F(PluginManagerMembers, BadArgumentsAreScriptErrorsThatChangeNothing) {
  auto expectError = [&](const char* method, const VariantVector& args, const char* message) {
    try {
      api_->callMethod(method, args);
      ADD_FAILURE() << method;
    } catch (const FB::script_error& e) {
      EXPECT_STREQ(e.what(), message) << method;
    }
  };
  expectError("registerPlugin", {}, "Error: Argument 1 is not optional.");
  expectError("unregisterPlugin", {variant("{}"), variant(1)}, "Too many arguments, expected 1.");
  expectError("initialize", {variant(1)}, "Too many arguments, expected 0.");
  expectError("updatePlugin", {variant("{}"), variant(5), variant()},
              "Invalid argument conversion from int to FB::JSObject at index 2");
  EXPECT_TRUE(api_->manifest().entries().empty());
  EXPECT_FALSE(api_->callMethod("registerPlugin", {variant("no JSON at all")}).convertTo<bool>());
  EXPECT_FALSE(api_->callMethod("unregisterPlugin", {variant("{\"PluginName\":")}).convertTo<bool>());
}

TEST_F(PluginManagerMembers, InitializeAppendsTheManifestAndUnInitializeDropsOnlyTheList) {
  writeManifest(installReader("1.0", "1") + "," + installReader("1.2", ""));
  api_->callMethod("initialize", {});
  EXPECT_EQ(api_->manifest().entries().size(), 2u);
  api_->callMethod("initialize", {});
  EXPECT_EQ(api_->manifest().entries().size(), 4u);  // loading twice duplicates
  api_->callMethod("unInitialize", {});
  EXPECT_TRUE(api_->manifest().entries().empty());
  EXPECT_TRUE(fs::exists(plugins_ / "plugins.manifest"));
  EXPECT_TRUE(fs::exists(plugins_ / "Reader321.0"));
  EXPECT_FALSE(api_->callMethod("registerPlugin", {variant(R"({"PluginName":"Reader","PluginBit":"32",)"
                                                           R"("PluginVersion":"1.0"})")})
                   .convertTo<bool>());
}

TEST_F(PluginManagerMembers, RegistersAndUnregistersARealModule) {
  writeManifest(installReader("1.0", "1") + "," + installReader("1.2", ""));
  api_->callMethod("initialize", {});
  const std::string request = R"({"PluginName":"reader","PluginBit":"32","PluginRequiredVersion":"1.1",)"
                              R"("PluginLatestVersion":"1.5"})";
  EXPECT_TRUE(api_->callMethod("registerPlugin", {variant(request)}).convertTo<bool>());
  EXPECT_EQ(readFile(base_ / "module.log").substr(0, 40).find("DllUnregisterServer\t"), 0u);
  EXPECT_NE(readFile(base_ / "module.log").find("\nDllRegisterServer\t"), std::string::npos);
  EXPECT_FALSE(fs::exists(plugins_ / "Reader321.0"));
  const std::string afterRegistration = readFile(plugins_ / "plugins.manifest");
  EXPECT_EQ(afterRegistration.find("\"1.0\""), std::string::npos);
  EXPECT_NE(afterRegistration.find(R"("Installed":"1")"), std::string::npos);
  ASSERT_EQ(platform_.searchPathAdditions().size(), 2u);
  EXPECT_EQ(fs::path(platform_.searchPathAdditions()[1]), plugins_ / "Reader321.2");

  setVariable("NZ_TEST_MODULE_RESULT", "-2147467259");
  EXPECT_FALSE(api_->callMethod("unregisterPlugin", {variant(request)}).convertTo<bool>());
  EXPECT_NE(readFile(plugins_ / "plugins.manifest").find(R"("Installed":"0")"), std::string::npos);
  EXPECT_FALSE(api_->callMethod("registerPlugin", {variant(request)}).convertTo<bool>());
  EXPECT_EQ(api_->manifest().entries().at(0)->Installed, "0");
}

// A manifest file changed behind the plug-in's back may point a record at
// any module on the disk: outside the plug-ins folder it is never loaded,
// never chosen, never retired and never deleted.
TEST_F(PluginManagerMembers, ARecordWhoseModuleLiesOutsideThePluginsFolderIsLeftAlone) {
  const fs::path outside = base_ / "elsewhere" / (std::string("npReader32") + Norvell::kModuleFileSuffix);
  fs::create_directories(outside.parent_path());
  fs::copy_file(NZ_TEST_MODULE_PATH, outside);
  writeManifest(R"({"PluginName":"Reader","PluginBit":"32","PluginVersion":"1.0","ModulePath":")" + utf8Of(outside) +
                R"(","Installed":"1"},)" + installReader("1.2", ""));
  api_->callMethod("initialize", {});
  EXPECT_FALSE(api_->callMethod("registerPlugin", {variant(R"({"PluginName":"Reader","PluginBit":"32",)"
                                                           R"("PluginVersion":"1.0"})")})
                   .convertTo<bool>());
  EXPECT_EQ(readFile(base_ / "module.log"), "");
  EXPECT_TRUE(api_->callMethod("registerPlugin", {variant(R"({"PluginName":"Reader","PluginBit":"32",)"
                                                          R"("PluginRequiredVersion":"1.0","PluginLatestVersion":"1.5"})")})
                  .convertTo<bool>());
  EXPECT_EQ(readFile(base_ / "module.log").find("DllRegisterServer\t"), 0u);  // 1.0 was not unregistered first
  EXPECT_EQ(readFile(base_ / "module.log").find("DllUnregisterServer"), std::string::npos);
  EXPECT_EQ(api_->manifest().entries().size(), 2u);
  EXPECT_TRUE(fs::exists(outside));
}

}  // namespace
