// The built plug-in module driven through its exported entry points by the
// fake NPAPI browser, as a browser drives it: an instance with its page
// parameters, the root object reached through its NPClass, the "onload"
// call, script errors, and the instance and module going away.
#include <cstring>

#include <gtest/gtest.h>

#include "module/module_entry.h"
#include "testing/fake_npapi_browser.h"

namespace {

using FB::testing::FakeNpapiBrowser;
using FB::testing::NpValue;
using FB::testing::NpValues;

char kMimeType[] = "application/x-norvellzephel32";

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin_.size = sizeof(plugin_);
    ASSERT_EQ(nz_module_test::startModule(browser_.funcs(), &plugin_), NPERR_NO_ERROR);
    ASSERT_NE(plugin_.newp, nullptr);
  }
  void TearDown() override { EXPECT_EQ(nz_module_test::stopModule(), NPERR_NO_ERROR); }

  NPObject* newInstanceWithOnload() {
    browser_.set(browser_.window(), "loaded", browser_.newFunction([this](const NpValues& args) {
      loadedWith_ = args;
      return NpValue();
    }));
    char onload[] = "onload", loaded[] = "loaded", color[] = "color", red[] = "red", empty[] = "empty";
    char* argn[] = {onload, color, empty};
    char* argv[] = {loaded, red, nullptr};
    EXPECT_EQ(plugin_.newp(kMimeType, browser_.instance(), NP_EMBED, 3, argn, argv, nullptr), NPERR_NO_ERROR);
    NPObject* root = nullptr;
    EXPECT_EQ(plugin_.getvalue(browser_.instance(), NPPVpluginScriptableNPObject, &root), NPERR_NO_ERROR);
    return root;
  }

  FakeNpapiBrowser browser_{26, "Mozilla/5.0 (X11; Linux x86_64) FakeNpapiBrowser/1.0", "http://127.0.0.1/page.html"};
  NPPluginFuncs plugin_{};
  NpValues loadedWith_;
};

TEST_F(ModuleTest, NameDescriptionAndTheRootObjectThroughItsClass) {
  const char* name = nullptr;
  const char* description = nullptr;
  NPObject* root = newInstanceWithOnload();
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(plugin_.getvalue(browser_.instance(), NPPVpluginNameString, &name), NPERR_NO_ERROR);
  ASSERT_EQ(plugin_.getvalue(browser_.instance(), NPPVpluginDescriptionString, &description), NPERR_NO_ERROR);
  EXPECT_STREQ(name, "Norvell Zephel 32 Bit");
  EXPECT_STREQ(description, "Norvell Zephel - 1.0.7");

  EXPECT_TRUE(browser_.set(root, "loggingLevel", NpValue(2)));
  EXPECT_EQ(browser_.get(root, "loggingLevel").intValue(), 2);
  NpValue file = browser_.call(root, "fileFromPermanentHandle", {NpValue("L3RtcC9yZXBvcnQudHh0")});
  ASSERT_TRUE(file.isObject());
  EXPECT_EQ(browser_.get(file.objectValue(), "name").stringValue(), "report.txt");
  EXPECT_EQ(browser_.get(file.objectValue(), "extension").stringValue(), ".txt");

  // A wrong call: the browser hears the message, the plug-in goes on.
  NpValue ignored;
  EXPECT_FALSE(browser_.invoke(root, "crash", {}, ignored));
  ASSERT_FALSE(browser_.exceptions().empty());
  EXPECT_EQ(browser_.exceptions().back(), "Error: Argument 1 is not optional.");
  // Script reads the member as a function and calls that.
  NpValue getLastException = browser_.get(root, "getLastException");
  ASSERT_TRUE(getLastException.isObject());
  NpValue last;
  ASSERT_TRUE(browser_.invokeDefault(getLastException.objectValue(), {}, last));
  EXPECT_EQ(last.stringValue(), "Error: Argument 1 is not optional.");
  EXPECT_TRUE(browser_.get(root, "valid").boolValue());

  browser_.release(root);
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_NO_ERROR);
}

TEST_F(ModuleTest, OnloadIsCalledWithTheRootObjectAfterReady) {
  NPObject* root = newInstanceWithOnload();
  ASSERT_NE(root, nullptr);
  auto timers = browser_.pendingTimers();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].delayMs, 250);
  browser_.runTimers();
  ASSERT_EQ(loadedWith_.size(), 1u);
  ASSERT_TRUE(loadedWith_[0].isObject());
  // The page's onload argument is the same root object the element gives.
  EXPECT_TRUE(browser_.set(loadedWith_[0].objectValue(), "marker", NpValue(7)));
  EXPECT_EQ(browser_.get(root, "marker").intValue(), 7);
  loadedWith_.clear();
  browser_.release(root);
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_NO_ERROR);
}

TEST_F(ModuleTest, ADestroyedInstanceLeavesItsObjectsInvalid) {
  NPObject* root = newInstanceWithOnload();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_NO_ERROR);
  browser_.invalidatePluginObjects();
  NpValue result;
  EXPECT_FALSE(browser_.get(root, "loggingLevel", result));
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_INVALID_INSTANCE_ERROR);
  browser_.release(root);
}

}  // namespace
