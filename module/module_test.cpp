// The built plug-in module driven through its exported entry points by the
// fake NPAPI browser, as a browser drives it: an instance with its page
// parameters, the root object reached through its NPClass, the "onload"
// call, script errors, and the instance and module going away.
#include <cstring>

#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

// Heap bytes in use, where the C library can tell; 0 elsewhere.
std::size_t heapInUse() {
#if defined(__GLIBC__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

// Page script calling a method the way browsers do it: the method read as a
// function object, which is then called. Whether script drops each function
// object at once or keeps it a while, a call may leave nothing behind: not a
// browser object, not a browser allocation, not a byte of the plug-in's heap.
TEST_F(ModuleTest, CallsLeaveNothingBehind) {
  NPObject* root = newInstanceWithOnload();
  ASSERT_NE(root, nullptr);
  NPIdentifier name = browser_.stringIdentifier("unregisterWriteHandler");
  auto calls = [&](int count, bool keepPrevious) {
    NPVariant previous{};
    previous.type = NPVariantType_Void;
    for (int i = 0; i < count; ++i) {
      NPVariant method;
      ASSERT_TRUE(root->_class->getProperty(root, name, &method));
      ASSERT_EQ(method.type, NPVariantType_Object);
      NPVariant argument;
      argument.type = NPVariantType_Int32;
      argument.value.intValue = 1000 + i;
      NPVariant result;
      ASSERT_TRUE(method.value.objectValue->_class->invokeDefault(method.value.objectValue, &argument, 1, &result));
      browser_.releaseVariant(&result);
      browser_.releaseVariant(&previous);
      if (keepPrevious) {
        previous = method;
      } else {
        browser_.releaseVariant(&method);
      }
    }
    browser_.releaseVariant(&previous);
  };
  for (bool keepPrevious : {false, true}) {
    calls(50, keepPrevious);  // caches and tables reach their size
    const std::size_t objects = browser_.liveObjectCount();
    const std::size_t allocations = browser_.outstandingAllocations();
    const std::size_t heap = heapInUse();
    calls(2000, keepPrevious);
    EXPECT_EQ(browser_.liveObjectCount(), objects);
    EXPECT_EQ(browser_.outstandingAllocations(), allocations);
    EXPECT_EQ(heapInUse(), heap);
  }
  browser_.release(root);
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_NO_ERROR);
}

}  // namespace

namespace {

// Function objects take attributes, the root object among them: the cycle
// that makes (root wrapper, its function, the attribute, the root) must not
// keep the instance's objects alive once it is destroyed (LeakSanitizer in
// the sanitizer build reports what stays).
TEST_F(ModuleTest, AttributesOnBuiltInFunctionsGoWithTheInstance) {
  NPObject* root = newInstanceWithOnload();
  ASSERT_NE(root, nullptr);
  NpValue file = browser_.call(root, "fileFromPermanentHandle", {NpValue("L3RtcC9yZXBvcnQudHh0")});
  ASSERT_TRUE(file.isObject());
  // The file object's functions hold the only references to it once the
  // test lets go: it goes while its own functions are being dropped.
  for (NPObject* owner : {root, file.objectValue()}) {
    for (const char* name : {"addEventListener", "getLastException", "removeEventListener"}) {
      NpValue function = browser_.get(owner, name);
      ASSERT_TRUE(function.isObject()) << name;
      EXPECT_TRUE(browser_.set(function.objectValue(), "owner", NpValue::object(owner))) << name;
    }
  }
  file = NpValue();
  browser_.release(root);
  EXPECT_EQ(plugin_.destroy(browser_.instance(), nullptr), NPERR_NO_ERROR);
}

}  // namespace
