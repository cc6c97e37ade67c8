// The Windows binding: the message-window host chosen for Safari, and the
// window records that make the core forget its window.
#include "npapi/npapi_plugin_win.h"

#include <gtest/gtest.h>

#include "npapi/npapi_browser_host_async_win.h"
#include "npapi/npapi_instance_holder.h"
#include "npapi/npapi_plugin_module.h"
#include "npapi/npapi_test_support.h"
#include "npapi/npp_functions.h"
#include "runtime/plugin_description.h"
#include "testing/fake_npapi_browser.h"

namespace FB::Npapi {
namespace {

char kType[] = "application/x-norvellzephel32";

class NpapiPluginWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NpapiPluginModule::resetHostKindForTesting();
    module_ = NpapiPluginModule::acquire();
    module_->setBrowserFuncs(*browser_.funcs());
    ASSERT_EQ(NPP_New(kType, browser_.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
  }
  void TearDown() override {
    NPP_Destroy(browser_.instance(), nullptr);
    module_.reset();
    NpapiPluginModule::release();
    NpapiPluginModule::resetHostKindForTesting();
  }
  NpapiInstanceHolder* holder() { return NpapiInstanceHolder::of(browser_.instance()); }

  FB::testing::FakeNpapiBrowser browser_{26, "Mozilla/5.0 (Windows NT 6.1) AppleWebKit/534 Safari/534"};
  NpapiPluginModulePtr module_;
};

TEST_F(NpapiPluginWinTest, SafariGetsTheMessageWindowHostAndNoBrowserAsyncCall) {
  EXPECT_NE(std::dynamic_pointer_cast<NpapiBrowserHostAsyncWin>(holder()->host()), nullptr);
  EXPECT_EQ(module_->browserFuncs().pluginthreadasynccall, nullptr);
  EXPECT_EQ(holder()->host()->browserFuncs().pluginthreadasynccall, nullptr);
  EXPECT_EQ(platformOsName(), "Windows");
}

TEST_F(NpapiPluginWinTest, OnlyAMissingWindowMakesTheCoreForgetItsWindow) {
  NpapiPlugin& plugin = *holder()->plugin();
  TestCore& core = *testFactory().lastCore;
  int handle = 0;
  NPWindow window{};
  window.window = &handle;
  window.type = NPWindowTypeWindow;
  EXPECT_EQ(plugin.setWindow(&window), NPERR_NO_ERROR);
  window.window = nullptr;
  window.type = NPWindowTypeDrawable;
  EXPECT_EQ(plugin.setWindow(&window), NPERR_NO_ERROR);
  EXPECT_EQ(core.detachCalls, 0);

  window.type = NPWindowTypeWindow;
  EXPECT_EQ(plugin.setWindow(&window), NPERR_NO_ERROR);
  EXPECT_EQ(plugin.setWindow(nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(core.detachCalls, 2);
  EXPECT_EQ(plugin.handleEvent(nullptr), 0);
}

}  // namespace
}  // namespace FB::Npapi
