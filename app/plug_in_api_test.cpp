// The root object's own members and rules: object ids, the logging level
// with its trace lines, "crash", and the trusted-site gate.
#include "app/plug_in_api.h"

#include <gtest/gtest.h>

#include "app/console_log.h"
#include "app/norvell_zephel_bs_plugin.h"
#include "app/norvell_zephel_bs_plugin_api.h"
#include "app/site.h"
#include "app/trusted_site.h"
#include "testing/fake_browser_host.h"

namespace {

using FB::variant;
using FB::VariantVector;
using FB::testing::FakeBrowserHost;

struct Root {
  std::shared_ptr<FakeBrowserHost> host;
  std::shared_ptr<PlugInAPI> api;
  explicit Root(const std::string& page = "https://www.norvellzephel.com/app/")
      : host(FakeBrowserHost::create(page)), api(std::make_shared<PlugInAPI>(host)) {}
};

class RootObject : public ::testing::Test {
 protected:
  void SetUp() override { Norvell::resetConsoleForTesting(); }
  void TearDown() override { Norvell::resetConsoleForTesting(); }
};

TEST_F(RootObject, IdsCountUpAcrossInstancesAndAreNeverReused) {
  int first;
  {
    Root a;
    first = a.api->objectId();
  }
  Root b;
  EXPECT_EQ(b.api->objectId(), first + 1);
}

// One page's lines can hold file paths: they must never reach another
// page's console, neither a later page's nor an earlier one's.
TEST_F(RootObject, TraceLinesGoToTheConsoleOfThePageThatWroteThem) {
  Root first;
  first.api->writeProperty("loggingLevel", 4);
  Root second;
  first.api->readProperty("loggingLevel");
  second.api->callMethod("unregisterWriteHandler", VariantVector{12345});
  first.api->callMethod("unregisterQueryHandler", VariantVector{12345});
  EXPECT_EQ(first.host->consoleLines(), (std::vector<std::string>{"get_loggingLevel", "unregisterQueryHandler"}));
  EXPECT_EQ(second.host->consoleLines(), (std::vector<std::string>{"unregisterWriteHandler"}));
}

// A traced member of a page whose window is gone works and writes nothing.
TEST_F(RootObject, AClosedPageDropsItsLinesAndTheMemberStillWorks) {
  Root early;  // closed before it wrote a line
  Root late;   // closed after its console was found
  early.api->writeProperty("loggingLevel", 4);
  late.api->readProperty("loggingLevel");
  early.host->closePage();
  late.host->closePage();
  for (Root* root : {&early, &late}) {
    EXPECT_EQ(root->api->readProperty("loggingLevel").convertTo<int>(), 4);
    EXPECT_TRUE(root->api->callMethod("unregisterWriteHandler", VariantVector{12345}).isEmpty());
  }
  EXPECT_TRUE(early.host->consoleLines().empty());
  EXPECT_EQ(late.host->consoleLines(), std::vector<std::string>{"get_loggingLevel"});
}

TEST_F(RootObject, LoggingLevelIsProcessWideAndTracesAboveThree) {
  Root root;
  Root other;
  EXPECT_EQ(root.api->readProperty("loggingLevel").convertTo<int>(), 0);
  root.api->writeProperty("loggingLevel", 5);  // from 0: no line
  EXPECT_TRUE(other.host->consoleLines().empty());
  EXPECT_EQ(other.api->readProperty("loggingLevel").convertTo<int>(), 5);
  root.api->writeProperty("loggingLevel", -7);  // from 5: a line
  root.api->writeProperty("loggingLevel", "2147483647");
  EXPECT_EQ(root.api->readProperty("loggingLevel").convertTo<int>(), 2147483647);
  EXPECT_EQ(other.host->consoleLines(), (std::vector<std::string>{"get_loggingLevel"}));
  EXPECT_EQ(root.host->consoleLines(), (std::vector<std::string>{"set_loggingLevel", "get_loggingLevel"}));
  try {
    root.api->writeProperty("loggingLevel", "loud");
    FAIL();
  } catch (const FB::invalid_arguments& e) {
    EXPECT_STREQ(e.what(), "Invalid argument conversion from std::string to int");
  }
}

TEST_F(RootObject, TraceLinesUseTheConsoleLogMethodAndNeedNoConsole) {
  Root root;
  root.host->window()->remove("console");
  root.api->writeProperty("loggingLevel", 4);
  EXPECT_EQ(root.api->readProperty("loggingLevel").convertTo<int>(), 4);  // nothing to write to: fine
  root.api->consoleLog("bad", 1);
  EXPECT_TRUE(root.host->consoleLines().empty());
}

TEST_F(RootObject, ConsoleLevelsChooseTheMethod) {
  Root root;
  std::vector<std::string> methods;
  auto console = FB::testing::FakeScriptObject::object(root.host);
  for (const char* name : {"error", "warn", "info", "log"}) {
    console->setFunction(name, [&methods, name](const VariantVector&) {
      methods.push_back(name);
      return variant();
    });
  }
  root.host->window()->set("console", FB::JSObjectPtr(console));
  for (int level : {1, 2, 3, 4, 0}) root.api->consoleLog("x", level);
  EXPECT_EQ(methods, (std::vector<std::string>{"error", "warn", "info", "log", "log"}));
}

TEST_F(RootObject, CrashIgnoresEverythingButTheExactCode) {
  Root root;
  for (const char* code : {"marblecanyon", "MarbleCanyon ", "", "MarbleCanyo"}) {
    EXPECT_TRUE(root.api->callMethod("crash", VariantVector{code}).isEmpty()) << code;
  }
  try {
    root.api->callMethod("crash", VariantVector{});
    FAIL();
  } catch (const FB::invalid_arguments& e) {
    EXPECT_STREQ(e.what(), "Error: Argument 1 is not optional.");
  }
}

TEST_F(RootObject, CrashWithTheCodeEndsTheProcessAbnormally) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        Root root;
        root.api->callMethod("crash", VariantVector{"MarbleCanyon"});
      },
      "");
}

TEST_F(RootObject, UntrustedPagesSeeOnlyTheBuiltIns) {
  std::vector<std::string> pages = {"file:///C:/page.html", "https://example.com/",
                                    "http://norvellzephel.com.evil.example/"};
  // Plain http on the site's own host: script injected on the way.
  if (!Norvell::kAllowHttpSite) pages.push_back("http://www.norvellzephel.com/app/");
  // Served by any user of the machine.
  if (!Norvell::kTrustLoopback) pages.push_back("http://127.0.0.1:8080/");
  for (const std::string& page : pages) {
    Root root(page);
    EXPECT_EQ(root.api->callMethod("toString", {}).get<std::string>(), "<JSAPI-Auto Javascript Object>");
    EXPECT_TRUE(root.api->readProperty("valid").get<bool>());
    for (const char* member : {"fileFromPermanentHandle", "crash", "showOpenDialog"}) {
      try {
        root.api->callMethod(member, VariantVector{"x"});
        FAIL() << member;
      } catch (const FB::script_error& e) {
        EXPECT_STREQ(e.what(), "This site is not trusted by Norvell Zephel") << member;
      }
      EXPECT_THROW(root.api->methodObject(member), FB::script_error);
    }
    EXPECT_THROW(root.api->readProperty("loggingLevel"), FB::script_error);
    EXPECT_THROW(root.api->writeProperty("loggingLevel", 9), FB::script_error);
    EXPECT_THROW(root.api->writeProperty("anything", 1), FB::script_error);
  }
  EXPECT_EQ(Norvell::loggingLevel(), 0);  // nothing changed
}

TEST_F(RootObject, APageWithoutAnAddressIsNotTrusted) {
  Root root;
  root.host->removeWindow();
  EXPECT_THROW(root.api->readProperty("loggingLevel"), FB::script_error);
}

TEST_F(RootObject, ThePluginMakesOneRootObjectAndIsAlwaysWindowed) {
  auto host = FakeBrowserHost::create();
  auto plugin = std::make_shared<NorvellZephelBSPlugin>();
  plugin->setHost(host);
  plugin->setParams(FB::VariantStringMap{{"windowless", "true"}});
  EXPECT_FALSE(plugin->isWindowless());
  auto root = plugin->rootScriptObject();
  ASSERT_TRUE(std::dynamic_pointer_cast<NorvellZephelBSPluginAPI>(root));
  EXPECT_EQ(std::dynamic_pointer_cast<NorvellZephelBSPluginAPI>(root)->plugin(), plugin);
  EXPECT_EQ(plugin->rootScriptObject(), root);
  EXPECT_FALSE(plugin->markReady());
}

}  // namespace
