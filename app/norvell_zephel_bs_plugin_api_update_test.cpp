// "updatePlugin" through the root object, with the browser played by
// FakeBrowserHost and FakeStreamServer and the zip reader replaced by one
// that lays out a package holding the stand-in secondary module: the
// package address, progress per chunk, the completion call, the installed
// files and record, failures, bad input, and a page that goes away while
// its download runs.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/norvell_zephel_bs_plugin_api.h"
#include "app/site.h"
#include "manager/manager_test_support.h"
#include "manager/narrow_path.h"
#include "platform/fake_platform.h"
#include "scripting/text_conversion.h"
#include "testing/environment_variable.h"
#include "testing/fake_browser_host.h"
#include "testing/fake_browser_stream.h"
#include "testing/fake_script_object.h"

namespace {

using FB::testing::setVariable;

namespace fs = std::filesystem;
using Norvell::testing::utf8Of;
using Norvell::testing::readFile;
using FB::variant;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;
using FB::testing::FakeResource;
using FB::testing::FakeScriptObject;
using FB::testing::FakeStreamServer;

#ifdef _WIN32
constexpr const char* kModuleFile = "npReader32.dll";
#else
constexpr const char* kModuleFile = "npReader32.so";
#endif

class RealModulesPlatform : public FB::FakePlatform {
 public:
  FB::PathAttributes pathAttributes(const std::wstring& path) override {
    return FB::Platform::systemInstance().pathAttributes(path);
  }
  FB::ModuleCallResult callModuleEntryPoint(const std::wstring& path, const std::string& name) override {
    return FB::Platform::systemInstance().callModuleEntryPoint(path, name);
  }
};

const char* const kRequest =
    R"({"PluginName":"Reader","PluginBit":"32","PluginVersion":"2.1","PluginRequiredVersion":"2.0",)"
    R"("PluginLatestVersion":"3.0","ZipPackageURL":"reader.zip","Changelist":"12"})";

class UpdatePlugin : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(base_);
    fs::create_directories(base_);
    platform_.setLocalAppDataFolder(FB::toWide(utf8Of(base_)));
    setVariable("NZ_TEST_MODULE_LOG", utf8Of(base_ / "module.log"));
    setVariable("NZ_TEST_MODULE_RESULT", "0");
    useHost(FakeBrowserHost::create("https://www.norvellzephel.com/app/page.html"));
  }
  void TearDown() override {
    host_->shutdown();
    fs::remove_all(base_);
  }

  void useHost(std::shared_ptr<FakeBrowserHost> host) {
    if (host_) host_->shutdown();
    host_ = std::move(host);
    server_ = FakeStreamServer::install(host_);
    api_ = std::make_shared<NorvellZephelBSPluginAPI>(nullptr, host_);
    api_->setPackageExtractorForTesting([this](const std::string& package, const std::string& folder) {
      packages_.push_back(readFile(Norvell::pathFromNarrow(package)));
      const fs::path unpacked = Norvell::pathFromNarrow(folder);
      fs::create_directories(unpacked);
      std::ofstream(unpacked / "pluginmanifest.json")
          << R"({"PluginName":"Reader","PluginBit":"32","PluginVersion":"2.4","ModuleName":"Reader"})";
      fs::copy_file(NZ_TEST_MODULE_PATH, unpacked / kModuleFile);
      return true;
    });
  }
  void update(const std::string& descriptor) {
    api_->callMethod("updatePlugin", VariantVector{variant(descriptor), variant(FB::JSObjectPtr(onComplete_)),
                                                   variant(FB::JSObjectPtr(onProgress_))});
  }
  std::vector<std::string> events() const {
    std::vector<std::string> events;
    for (const auto& call : onProgress_->calls()) {
      events.push_back("progress " + std::to_string(call.args.at(0).convertTo<int>()));
    }
    for (const auto& call : onComplete_->calls()) {
      events.push_back(std::string("complete ") + (call.args.at(0).convertTo<bool>() ? "true" : "false"));
    }
    return events;
  }
  std::vector<std::string> requestedUrls() const {
    std::vector<std::string> urls;
    for (const auto& request : server_->requests()) urls.push_back(request.url);
    return urls;
  }

  const fs::path base_ = Norvell::testing::testFolder("nz_update_");
  const fs::path plugins_ = base_ / "Norvell" / "ZephelPlugins";
  RealModulesPlatform platform_;
  FB::ScopedPlatformForTesting usePlatform_{platform_};
  std::shared_ptr<FakeBrowserHost> host_;
  std::shared_ptr<FakeStreamServer> server_;
  std::shared_ptr<NorvellZephelBSPluginAPI> api_;
  std::shared_ptr<FakeScriptObject> onComplete_ = FakeScriptObject::function([](const VariantVector&) {
    return variant();
  });
  std::shared_ptr<FakeScriptObject> onProgress_ = FakeScriptObject::function([](const VariantVector&) {
    return variant();
  });
  std::vector<std::string> packages_;
};

TEST_F(UpdatePlugin, DownloadsInstallsAndThenRegistersAPackageFromTheSite) {
  const std::string zip = std::string(16384 + 16384 + 5000, 'z');
  server_->serve("https://www.norvellzephel.com/12/core/installers/reader.zip", FakeResource{zip, "", 16384});
  update(kRequest);
  ASSERT_EQ(api_->manifest().entries().size(), 1u);
  auto entry = api_->manifest().entries()[0];
  EXPECT_TRUE(entry->downloading);
  EXPECT_EQ(entry->PluginVersion, "");
  EXPECT_TRUE(events().empty());  // nothing arrives before the browser delivers

  host_->pumpMainThread();
  EXPECT_EQ(events(), (std::vector<std::string>{"progress 16384", "progress 16384", "progress 5000", "complete true"}));
  EXPECT_EQ(packages_, std::vector<std::string>{zip});
  EXPECT_FALSE(entry->downloading);
  EXPECT_EQ(entry->PluginVersion, "2.4");
  EXPECT_EQ(entry->Siteversion, "12");
  EXPECT_EQ(Norvell::pathFromNarrow(entry->ModulePath), plugins_ / "Reader322.4" / kModuleFile);
  EXPECT_NE(readFile(plugins_ / "plugins.manifest").find(R"("PluginVersion":"2.4")"), std::string::npos);

  // Now installed: answered at once, without a download.
  update(kRequest);
  EXPECT_EQ(events().back(), "complete true");
  EXPECT_EQ(server_->requests().size(), 1u);
  EXPECT_TRUE(api_->callMethod("registerPlugin", VariantVector{variant(kRequest)}).convertTo<bool>());
  EXPECT_EQ(readFile(base_ / "module.log").find("DllRegisterServer\t"), 0u);
}

TEST_F(UpdatePlugin, AFailedDownloadDropsTheRecordAndReportsFalse) {
  update(kRequest);  // the server has no such package
  host_->pumpMainThread();
  EXPECT_EQ(events(), std::vector<std::string>{"complete false"});
  EXPECT_TRUE(api_->manifest().entries().empty());
  EXPECT_TRUE(packages_.empty());
  EXPECT_FALSE(fs::exists(plugins_ / "plugins.manifest"));

  // Callbacks may be null; a failing completion function stays inside.
  api_->callMethod("updatePlugin", VariantVector{variant(kRequest), variant(), variant()});
  onComplete_ = FakeScriptObject::function(
      [](const VariantVector&) -> variant { throw FB::script_error("TypeError: page gone"); });
  update(kRequest);
  EXPECT_NO_THROW(host_->pumpMainThread());
  EXPECT_EQ(onComplete_->calls().size(), 1u);
  EXPECT_TRUE(api_->manifest().entries().empty());
}

TEST_F(UpdatePlugin, AddressesFollowThePageAndTheDescriptor) {
  update(R"({"PluginName":"A","PluginBit":"32","ZipPackageURL":"HTTPS://cdn.norvellzephel.com/a.zip"})");
  update(R"({"PluginName":"B","PluginBit":"32","ZipPackageURL":"b.zip","Siteversion":"9"})");
  EXPECT_EQ(requestedUrls(), (std::vector<std::string>{"https://cdn.norvellzephel.com/a.zip",
                                                       "https://www.norvellzephel.com/9/core/installers/b.zip"}));
}

// An injected script must not install native code from its own server.
TEST_F(UpdatePlugin, APackageFromAnUntrustedServerIsRefusedAtOnce) {
  std::vector<std::string> refused = {"https://evil.example/a.zip", "https://www.norvellzephel.com@evil.example/a.zip"};
  if (!Norvell::kAllowHttpSite) refused.push_back("http://www.norvellzephel.com/a.zip");
  if (!Norvell::kTrustLoopback) refused.push_back("http://127.0.0.1/a.zip");
  for (std::size_t i = 0; i < refused.size(); ++i) {
    update(R"({"PluginName":"A","PluginBit":"32","ZipPackageURL":")" + refused[i] + R"("})");
    EXPECT_EQ(events().size(), i + 1) << refused[i];  // at once, before anything is delivered
  }
  host_->pumpMainThread();
  EXPECT_EQ(events(), std::vector<std::string>(refused.size(), "complete false"));
  EXPECT_TRUE(api_->manifest().entries().empty());
  EXPECT_TRUE(server_->requests().empty());
  EXPECT_FALSE(fs::exists(plugins_));
}

TEST_F(UpdatePlugin, RequestsThatCannotStartFailTheCallAndChangeNothing) {
  auto expectError = [&](const std::string& descriptor, const char* message) {
    try {
      update(descriptor);
      ADD_FAILURE() << descriptor;
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), message) << descriptor;
    }
    EXPECT_TRUE(api_->manifest().entries().empty()) << descriptor;
  };
  expectError(R"({"PluginName":"A","ZipPackageURL":"https://www.norvellzephel.com:99999/a.zip"})",
              "bad lexical cast: source type value could not be interpreted as target");
  host_->removeWindow();  // the page was found trusted before it went
  expectError(R"({"PluginName":"A","ZipPackageURL":"a.zip"})", "Cannot find HTML window");
  EXPECT_TRUE(server_->requests().empty());
  EXPECT_TRUE(events().empty());
}

TEST_F(UpdatePlugin, ADownloadOutlivingItsPageStillInstallsAndReports) {
  server_->serve("https://www.norvellzephel.com/12/core/installers/reader.zip", FakeResource{"zip bytes"});
  update(kRequest);
  std::weak_ptr<NorvellZephelBSPluginAPI> gone = api_;
  api_.reset();
  EXPECT_TRUE(gone.expired());
  host_->pumpMainThread();
  EXPECT_EQ(events(), (std::vector<std::string>{"progress 9", "complete true"}));
  EXPECT_TRUE(fs::exists(plugins_ / "Reader322.4" / kModuleFile));
  EXPECT_NE(readFile(plugins_ / "plugins.manifest").find(R"("PluginVersion":"2.4")"), std::string::npos);
}

// A package may say anything about itself: one whose name, bit and version
// spell the manifest file (systems that ignore case take them for it) must
// not replace the list of installed plug-ins.
TEST_F(UpdatePlugin, APackageNamedLikeTheManifestFileInstallsNothing) {
  fs::create_directories(plugins_);
  const std::string list = R"({"Plugins":[]})";
  std::ofstream(plugins_ / "plugins.manifest", std::ios::binary) << list;
  api_->setPackageExtractorForTesting([](const std::string&, const std::string& folder) {
    const fs::path unpacked = Norvell::pathFromNarrow(folder);
    fs::create_directories(unpacked);
    std::ofstream(unpacked / "pluginmanifest.json")
        << R"({"PluginName":"Plugins","PluginBit":".Man","PluginVersion":"ifest","ModuleName":"Reader"})";
    return true;
  });
  server_->serve("http://www.norvellzephel.com/12/core/installers/reader.zip", FakeResource{"zip bytes"});
  update(kRequest);
  host_->pumpMainThread();
  EXPECT_EQ(events().back(), "complete false");
  EXPECT_EQ(readFile(plugins_ / "plugins.manifest"), list);
  EXPECT_EQ(std::distance(fs::directory_iterator(plugins_), fs::directory_iterator()), 1);
  EXPECT_TRUE(api_->manifest().entries().empty());
}

}  // namespace
