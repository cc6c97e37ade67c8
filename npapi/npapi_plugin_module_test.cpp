// The module: the browser-table copy by version, the choice of host kind,
// and the registry's global initialisation counting.
#include "npapi/npapi_plugin_module.h"

#include <gtest/gtest.h>

#include <cstring>

#include "npapi/npapi_test_support.h"

namespace FB::Npapi {
namespace {

// A browser table whose every byte is set, so that each entry is non-null.
NPNetscapeFuncs fullTable(uint16_t version) {
  NPNetscapeFuncs table;
  std::memset(&table, 0x5a, sizeof table);
  table.size = sizeof table;
  table.version = version;
  return table;
}

TEST(BrowserTableCopy, TakesLaterEntriesOnlyFromBrowsersNewEnoughForThem) {
  struct Case {
    uint16_t version;
    bool popups, enumerate, asyncCall, urlValues, timers;
  };
  for (const Case& c :
       {Case{15, false, false, false, false, false}, Case{16, true, false, false, false, false},
        Case{18, true, true, false, false, false}, Case{19, true, true, true, false, false},
        Case{21, true, true, true, true, false}, Case{23, true, true, true, true, true}}) {
    SCOPED_TRACE(c.version);
    const NPNetscapeFuncs from = fullTable(c.version);
    NPNetscapeFuncs to;
    copyBrowserFuncs(from, to);
    EXPECT_EQ(to.size, from.size);
    EXPECT_EQ(to.version, c.version);
    EXPECT_EQ(to.geturl, from.geturl);
    EXPECT_EQ(to.reloadplugins, from.reloadplugins);
    EXPECT_EQ(to.geturlnotify, from.geturlnotify);
    EXPECT_EQ(to.setexception, from.setexception);
    EXPECT_EQ(to.construct, from.construct);
    EXPECT_EQ(to.getJavaEnv, nullptr);
    EXPECT_EQ(to.getJavaPeer, nullptr);
    EXPECT_EQ(to.pushpopupsenabledstate != nullptr, c.popups);
    EXPECT_EQ(to.poppopupsenabledstate != nullptr, c.popups);
    EXPECT_EQ(to.enumerate != nullptr, c.enumerate);
    EXPECT_EQ(to.pluginthreadasynccall != nullptr, c.asyncCall);
    EXPECT_EQ(to.getvalueforurl != nullptr, c.urlValues);
    EXPECT_EQ(to.setvalueforurl != nullptr, c.urlValues);
    EXPECT_EQ(to.getauthenticationinfo != nullptr, c.urlValues);
    EXPECT_EQ(to.scheduletimer != nullptr, c.timers);
    EXPECT_EQ(to.unscheduletimer != nullptr, c.timers);
    // Entries the module never uses are never taken.
    EXPECT_EQ(to.popupcontextmenu, nullptr);
    EXPECT_EQ(to.urlredirectresponse, nullptr);
  }
}

TEST(HostKindRule, SafariAtAnyVersionAndOldTablesGetTheMessageWindowHost) {
  const char* safari = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/602.1 (KHTML, like Gecko) Safari/602.1";
  const char* firefox = "Mozilla/5.0 (Windows NT 6.1; rv:52.0) Gecko/20100101 Firefox/52.0";
  EXPECT_EQ(hostKindFor(safari, 26), HostKind::MessageWindow);
  EXPECT_EQ(hostKindFor(firefox, 18), HostKind::MessageWindow);
  EXPECT_EQ(hostKindFor(firefox, 19), HostKind::Plain);
  EXPECT_EQ(hostKindFor(nullptr, 26), HostKind::Plain);
}

TEST(HostKindChoice, IsMadeOnceAndClearsTheAsyncCallOnlyForTheMessageWindowHost) {
  NpapiPluginModule::resetHostKindForTesting();
  NpapiPluginModule module;
  NPNetscapeFuncs table = fullTable(18);
  table.uagent = [](NPP) -> const char* { return "Firefox"; };
  module.setBrowserFuncs(table);
  NPP_t instance{};
  const HostKind expected = messageWindowHostAvailable() ? HostKind::MessageWindow : HostKind::Plain;
  EXPECT_EQ(module.hostKind(&instance), expected);
  // A version-18 table never brings the async call.
  EXPECT_EQ(module.browserFuncs().pluginthreadasynccall, nullptr);

  // Kept for the process, even for a module whose browser would choose
  // otherwise.
  NpapiPluginModule newer;
  newer.setBrowserFuncs(fullTable(26));
  EXPECT_EQ(newer.hostKind(&instance), expected);
  EXPECT_EQ(newer.browserFuncs().pluginthreadasynccall == nullptr, expected == HostKind::MessageWindow);
  NpapiPluginModule::resetHostKindForTesting();
}

class ModuleRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    while (NpapiPluginModule::liveCount() > 0) NpapiPluginModule::release();
    testFactory().resetCounts();
  }
};

TEST_F(ModuleRegistry, EntryPointsShareOneModuleAndInitialiseOncePerLife) {
  auto first = NpapiPluginModule::acquire();   // NP_GetEntryPoints
  auto second = NpapiPluginModule::acquire();  // NP_Initialize
  EXPECT_EQ(first, second);
  EXPECT_EQ(NpapiPluginModule::current(), first);
  EXPECT_EQ(NpapiPluginModule::liveCount(), 1);
  EXPECT_EQ(testFactory().initializeCalls, 1);
  EXPECT_EQ(testFactory().deinitializeCalls, 0);

  NpapiPluginModule::release();  // NP_Shutdown
  EXPECT_EQ(NpapiPluginModule::current(), nullptr);
  EXPECT_EQ(NpapiPluginModule::liveCount(), 0);
  EXPECT_EQ(testFactory().deinitializeCalls, 1);

  // Loaded again: a fresh module, initialised again.
  auto third = NpapiPluginModule::acquire();
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(testFactory().initializeCalls, 2);
  NpapiPluginModule::release();
}

TEST_F(ModuleRegistry, ShutdownWithoutAModuleStillDeinitialisesOnce) {
  NpapiPluginModule::release();
  EXPECT_EQ(testFactory().deinitializeCalls, 1);
  EXPECT_EQ(testFactory().initializeCalls, 0);
  EXPECT_EQ(NpapiPluginModule::liveCount(), 0);
}

}  // namespace
}  // namespace FB::Npapi
