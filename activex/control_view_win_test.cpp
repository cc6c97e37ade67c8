// Quick activation, the ready-state notification, the control's extent,
// its view's advise sink and hit testing.
#include <gtest/gtest.h>

#include <windows.h>

#include <ocidl.h>

#include "activex/activex_ids_win.h"
#include "activex/activex_test_support_win.h"
#include "activex/com_module_win.h"
#include "activex/com_test_host_win.h"
#include "activex/fb_control_win.h"
#include "activex/ole_site_test_support_win.h"
#include "scripting/jsapi_impl.h"

namespace FB::ActiveX {
namespace {

using testing::ComValue;
using testing::FakeOleSite;

class View : public ::testing::Test {
 protected:
  void SetUp() override {
    IClassFactory* classObject = nullptr;
    ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)),
              S_OK);
    ASSERT_EQ(classObject->CreateInstance(nullptr, kIidIDispatchEx, reinterpret_cast<void**>(&control)),
              S_OK);
    classObject->Release();
  }
  void TearDown() override {
    if (control) control->Release();
    EXPECT_EQ(site.references, 1u);
    EXPECT_EQ(moduleLockCount(), 0);
  }
  template <class I>
  I* as(REFIID iid) {
    I* out = testing::borrowedInterface<I>(control, iid);
    EXPECT_NE(out, nullptr);
    return out;
  }

  FakeOleSite site{true, nullptr, RECT{0, 0, 40, 30}};
  IDispatchEx* control = nullptr;
};

TEST_F(View, QuickActivationSitesTheControlAndItsSinkLearnsOfReadiness) {
  QACONTAINER container{};
  container.cbSize = sizeof(container);
  container.pClientSite = &site;
  container.pPropertyNotifySink = &site;
  testing::RecordingDispatch events;
  container.pUnkEventSink = &events;
  QACONTROL answer{};
  answer.cbSize = sizeof(answer);
  ASSERT_EQ(as<IQuickActivate>(IID_IQuickActivate)->QuickActivate(&container, &answer), S_OK);
  EXPECT_TRUE(answer.dwMiscStatus & OLEMISC_SETCLIENTSITEFIRST);
  EXPECT_EQ(answer.dwViewStatus, static_cast<DWORD>(VIEWSTATUS_DVASPECTTRANSPARENT));
  EXPECT_NE(answer.dwPropNotifyCookie, 0u);
  EXPECT_NE(answer.dwEventCookie, 0u);  // the event sink is advised
  IOleClientSite* given = nullptr;
  EXPECT_EQ(as<IOleObject>(IID_IOleObject)->GetClientSite(&given), S_OK);
  EXPECT_EQ(given, static_cast<IOleClientSite*>(&site));
  given->Release();
  EXPECT_TRUE(site.log.empty());  // not ready before the parameters

  // The sink hears of the ready state once it reads 4.
  std::string stateWhenTold;
  site.onChanged = [&](DISPID) {
    ComValue state;
    testing::invoke(control, -525, DISPATCH_PROPERTYGET, {}, &state.value, nullptr);
    stateWhenTold = state.text();
  };
  ASSERT_EQ(as<IPersistPropertyBag>(IID_IPersistPropertyBag)->InitNew(), S_OK);
  EXPECT_EQ(site.log, std::vector<std::string>{"changed -525"});
  EXPECT_EQ(stateWhenTold, "4");
  site.onChanged = nullptr;
  // The event sink advised before readiness hears the root object's events.
  auto root = std::dynamic_pointer_cast<JSAPIImpl>(testing::testFactory().lastCore.lock()->rootScriptObject());
  ASSERT_TRUE(root);
  root->raiseEvent("onready", VariantVector{});
  root.reset();
  EXPECT_EQ(events.calls, std::vector<std::string>{"onready()"});

  // Clearing the site lets go of the sinks as well.
  ASSERT_EQ(as<IOleObject>(IID_IOleObject)->SetClientSite(nullptr), S_OK);
  EXPECT_EQ(site.references, 1u);
  EXPECT_EQ(events.references, 1u);
}

TEST_F(View, QuickActivationRefusesMissingOrShortRecords) {
  QACONTAINER container{};
  QACONTROL answer{};
  answer.cbSize = sizeof(answer);
  auto* quick = as<IQuickActivate>(IID_IQuickActivate);
  EXPECT_EQ(quick->QuickActivate(nullptr, &answer), E_POINTER);
  EXPECT_EQ(quick->QuickActivate(&container, nullptr), E_POINTER);
  container.cbSize = sizeof(container);  // but no client site
  EXPECT_EQ(quick->QuickActivate(&container, &answer), E_INVALIDARG);
  container.pClientSite = &site;
  container.cbSize = 8;
  EXPECT_EQ(quick->QuickActivate(&container, &answer), E_INVALIDARG);
  EXPECT_EQ(site.references, 1u);
  EXPECT_TRUE(testing::testFactory().lastCore.lock()->host() == nullptr);
}

TEST_F(View, ExtentIsOneValueForQuickActivationTheObjectAndTheView) {
  SIZEL size{1234, 567};
  ASSERT_EQ(as<IQuickActivate>(IID_IQuickActivate)->SetContentExtent(&size), S_OK);
  SIZEL read{};
  EXPECT_EQ(as<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &read), S_OK);
  EXPECT_EQ(read.cx, 1234);
  SIZEL larger{2000, 1000};
  EXPECT_EQ(as<IOleObject>(IID_IOleObject)->SetExtent(DVASPECT_CONTENT, &larger), S_OK);
  EXPECT_EQ(as<IViewObjectEx>(IID_IViewObjectEx)->GetExtent(DVASPECT_CONTENT, -1, nullptr, &read), S_OK);
  EXPECT_EQ(read.cy, 1000);
  EXPECT_EQ(as<IQuickActivate>(IID_IQuickActivate)->GetContentExtent(&read), S_OK);
  EXPECT_EQ(read.cx, 2000);
  EXPECT_EQ(as<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_ICON, &read), DV_E_DVASPECT);
}

TEST_F(View, HitTestingFollowsTheBounds) {
  auto* view = as<IViewObjectEx>(IID_IViewObjectEx);
  const RECT bounds{10, 10, 50, 40};
  struct Case {
    POINT point;
    DWORD hit;
  } cases[] = {{{10, 10}, HITRESULT_HIT},
               {{49, 39}, HITRESULT_HIT},
               {{50, 20}, HITRESULT_OUTSIDE},
               {{9, 20}, HITRESULT_OUTSIDE}};
  for (const auto& c : cases) {
    DWORD hit = 99;
    EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, c.point, 0, &hit), S_OK);
    EXPECT_EQ(hit, c.hit) << c.point.x << "," << c.point.y;
  }
  const RECT overlapping{45, 35, 90, 90}, apart{60, 60, 90, 90};
  DWORD hit = 99;
  EXPECT_EQ(view->QueryHitRect(DVASPECT_CONTENT, &bounds, &overlapping, 0, &hit), S_OK);
  EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
  EXPECT_EQ(view->QueryHitRect(DVASPECT_CONTENT, &bounds, &apart, 0, &hit), S_OK);
  EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
}

}  // namespace
}  // namespace FB::ActiveX
