#include "activex/com_module_win.h"

#include <gtest/gtest.h>

#include <utility>

#include "activex/activex_ids_win.h"
#include "activex/activex_test_support_win.h"
#include "activex/registry_contents_win.h"
#include "runtime/plugin_description.h"

namespace FB::ActiveX {
namespace {

TEST(ActiveXIds, RegistryTextAndGuidValueAgree) {
  const std::pair<const wchar_t*, GUID> cases[] = {
      {kClsidText, kClsidFBControl}, {kLibidText, kLibid}, {kAppidText, kAppid}};
  for (const auto& [text, guid] : cases) {
    GUID parsed{};
    ASSERT_EQ(CLSIDFromString(text, &parsed), S_OK) << ::testing::PrintToString(std::wstring(text));
    EXPECT_TRUE(IsEqualGUID(parsed, guid));
  }
}

TEST(ComModule, PerUserDecisionFollowsTheRegisteringProgram) {
  struct Case {
    const wchar_t* program;
    bool before;
    bool after;
  };
  const Case cases[] = {
      {L"C:\\windows\\system32\\regsvr32.exe", false, true},
      {L"", false, true},
      {L"C:\\wix\\heat.exe", false, false},
      {L"C:\\wix\\heat.exe", true, true},
      {L"C:\\wix\\Heat.exe", false, true},
      {L"C:\\wix\\HEAT.EXE", false, true},
      {L"C:\\wix\\heat.exe.bak", false, true},
      {L"wheat.exe", false, false},
  };
  for (const Case& c : cases) {
    setPerUserRegistration(c.before);
    decidePerUser(c.program);
    EXPECT_EQ(perUserRegistration(), c.after) << ::testing::PrintToString(std::wstring(c.program));
  }
  setPerUserRegistration(false);
}

TEST(ComModule, ClassObjectLookupInitialisesOnceAndUnloadDeinitialisesOnce) {
  auto& factory = testing::testFactory();
  // Start unloaded, whatever other tests of this process did.
  ASSERT_EQ(canUnloadNow(), S_OK);
  const int initialized = factory.initializeCalls;
  const int deinitialized = factory.deinitializeCalls;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(kLibid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, nullptr), E_POINTER);
  EXPECT_EQ(getClassObject(kClsidFBControl, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(factory.initializeCalls, initialized);
  EXPECT_FALSE(activeXInitialized());

  IClassFactory* classObject = nullptr;
  ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)), S_OK);
  ASSERT_EQ(getClassObject(kClsidFBControl, IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, classObject);
  EXPECT_EQ(factory.initializeCalls, initialized + 1);
  EXPECT_EQ(platformBindingName(), "IE");
  EXPECT_EQ(platformOsName(), "Windows");

  // A server lock keeps the module; with no plug-in core alive the hook
  // still runs (only a lock together with a live core defers it).
  classObject->LockServer(TRUE);
  EXPECT_EQ(moduleLockCount(), 1);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory.deinitializeCalls, deinitialized + 1);
  classObject->LockServer(FALSE);
  EXPECT_EQ(canUnloadNow(), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);
  EXPECT_EQ(factory.deinitializeCalls, deinitialized + 1);

  // A later lookup sets the side up again.
  ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, &out), S_OK);
  EXPECT_EQ(factory.initializeCalls, initialized + 2);
  EXPECT_EQ(canUnloadNow(), S_OK);
  EXPECT_EQ(factory.deinitializeCalls, deinitialized + 2);
}

TEST(ComModule, ClassFactoryRefusesAggregation) {
  IClassFactory* classObject = nullptr;
  ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)), S_OK);
  IUnknown* made = nullptr;
  EXPECT_EQ(classObject->CreateInstance(classObject, IID_IUnknown, reinterpret_cast<void**>(&made)),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(made, nullptr);
  canUnloadNow();
}

TEST(RegistryContents, ReplacementsFillEveryPlaceholder) {
  RegistryTarget target{true, L"C:\\p\\npNorvellZephel32.dll"};
  EXPECT_EQ(expandRegistryText(L"%MODULE%", target), target.modulePath);
  EXPECT_EQ(expandRegistryText(L"CLSID\\%CLSID%\\x", target), std::wstring(L"CLSID\\") + kClsidText + L"\\x");
  EXPECT_EQ(expandRegistryText(L"%APPID%|%LIBID%|%PLUGINID%", target),
            std::wstring(kAppidText) + L"|" + kLibidText + L"|" + kMozillaPluginId);
  EXPECT_EQ(expandRegistryText(L"100% %OTHER%", target), L"100% %OTHER%");
  EXPECT_EQ(expandRegistryText(nullptr, target), L"");
}

}  // namespace
}  // namespace FB::ActiveX
