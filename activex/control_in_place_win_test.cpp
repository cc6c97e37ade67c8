// In-place activation of the control through a container's site: a child
// window for a windowed site, the page's own surface for a windowless one,
// the plug-in window the core receives for each, and what in-place
// deactivation lets go of.
#include <gtest/gtest.h>

#include <windows.h>

#include <ocidl.h>

#include <algorithm>
#include <iostream>
#include <thread>

#include "activex/activex_ids_win.h"
#include "activex/activex_test_support_win.h"
#include "activex/com_module_win.h"
#include "activex/com_test_host_win.h"
#include "activex/fb_control_win.h"
#include "activex/ole_site_test_support_win.h"
#include "runtime/plugin_window_win.h"
#include "runtime/plugin_windowless_win.h"
#include "runtime/window_test_support_win.h"

namespace FB::ActiveX {
namespace {

using testing::FakeOleSite;

constexpr RECT kPlace{10, 20, 110, 70};

bool sawEventStarting(const std::vector<std::string>& events, const std::string& prefix) {
  return std::any_of(events.begin(), events.end(),
                     [&](const std::string& event) { return event.rfind(prefix, 0) == 0; });
}

class InPlace : public ::testing::Test {
 protected:
  void start(bool windowless) {
    site = std::make_unique<FakeOleSite>(windowless, parent.handle, kPlace);
    IClassFactory* classObject = nullptr;
    ASSERT_EQ(getClassObject(kClsidFBControl, IID_IClassFactory, reinterpret_cast<void**>(&classObject)),
              S_OK);
    ASSERT_EQ(classObject->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)), S_OK);
    classObject->Release();
    ASSERT_EQ(control->SetClientSite(site.get()), S_OK);
    ASSERT_EQ(control->QueryInterface(IID_IOleInPlaceObjectWindowless, reinterpret_cast<void**>(&inPlace)),
              S_OK);
    core = ::FB::ActiveX::testing::testFactory().lastCore.lock();
    ASSERT_TRUE(core);
  }
  void TearDown() override {
    core.reset();
    if (inPlace) inPlace->Release();
    if (control) {
      control->SetClientSite(nullptr);
      control->Release();
    }
    if (site) {
      EXPECT_EQ(site->references, 1u);
    }
    EXPECT_EQ(moduleLockCount(), 0);
  }
  HRESULT activate(LONG verb) {
    return control->DoVerb(verb, nullptr, site.get(), 0, parent.handle, &kPlace);
  }

  nz_runtime_test::TestWindow parent;
  std::unique_ptr<FakeOleSite> site;
  IOleObject* control = nullptr;
  IOleInPlaceObjectWindowless* inPlace = nullptr;
  std::shared_ptr<testing::TestCore> core;
};

// Whether this system can make child windows: wine without a display
// cannot, and then only the failure path can be seen.
bool childWindowsPossible(HWND parent) {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

TEST_F(InPlace, WindowedSiteGetsAVisibleClippingChildWindowThatTheCoreDrawsIn) {
  start(false);
  if (!childWindowsPossible(parent.handle)) {
    std::cout << "No display: only the failure to make the child window is checked\n";
    EXPECT_EQ(activate(OLEIVERB_INPLACEACTIVATE), E_FAIL);
    EXPECT_EQ(site->log, (std::vector<std::string>{"activate", "deactivate"}));
    EXPECT_EQ(core->currentWindow(), nullptr);
    HWND none = nullptr;
    EXPECT_EQ(inPlace->GetWindow(&none), E_FAIL);
    return;
  }
  ASSERT_EQ(activate(OLEIVERB_INPLACEACTIVATE), S_OK);
  EXPECT_EQ(site->log, std::vector<std::string>{"activate"});
  HWND child = nullptr;
  ASSERT_EQ(inPlace->GetWindow(&child), S_OK);
  EXPECT_EQ(GetParent(child), parent.handle);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  EXPECT_EQ(style & wanted, wanted);
  auto* window = dynamic_cast<PluginWindowWin*>(core->currentWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowHandle(), child);
  EXPECT_EQ(window->windowPosition().left, 10);
  EXPECT_EQ(window->windowPosition().bottom, 70);

  // Moving the control moves its window; the core sees the window's events.
  const RECT moved{5, 5, 55, 45};
  EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
  EXPECT_EQ(window->windowPosition().right, 55);
  SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
  EXPECT_TRUE(sawEventStarting(core->events, "down 0 "));
  // Activating again keeps the one window.
  EXPECT_EQ(activate(OLEIVERB_SHOW), S_OK);
  HWND again = nullptr;
  inPlace->GetWindow(&again);
  EXPECT_EQ(again, child);

  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(core->currentWindow(), nullptr);
  EXPECT_EQ(inPlace->GetWindow(&again), E_FAIL);
  EXPECT_EQ(site->log.back(), "deactivate");
}

TEST_F(InPlace, WindowlessSiteDrawsAndTakesPageMessagesWithoutAWindow) {
  start(true);
  ASSERT_EQ(activate(OLEIVERB_SHOW), S_OK);
  EXPECT_EQ(site->log, std::vector<std::string>{"activate windowless"});
  HWND none = nullptr;
  EXPECT_EQ(inPlace->GetWindow(&none), E_FAIL);
  auto* window = dynamic_cast<PluginWindowlessWin*>(core->currentWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowPosition().top, 20);

  LRESULT answer = -1;
  EXPECT_EQ(inPlace->OnWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 8), &answer), S_FALSE);
  EXPECT_EQ(answer, 0);
  IViewObjectEx* view = nullptr;
  ASSERT_EQ(control->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&view)), S_OK);
  HDC context = CreateCompatibleDC(nullptr);
  const RECTL bounds{10, 20, 110, 70};
  EXPECT_EQ(
      view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, context, &bounds, nullptr, nullptr, 0),
      S_OK);
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, context, &bounds, nullptr, nullptr, 0),
            DV_E_DVASPECT);
  DeleteDC(context);
  view->Release();
  // The button press and the paint reached the core; a repaint request
  // reaches the site as its rectangle.
  EXPECT_TRUE(sawEventStarting(core->events, "down 0 7,8"));
  EXPECT_EQ(core->events.back(), "refresh 10,20,110,70");
  window->invalidateWindow();
  EXPECT_EQ(site->log.back(), "invalidate 10,20,110,70");

  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(core->currentWindow(), nullptr);
  EXPECT_EQ(site->log.back(), "deactivate");
  EXPECT_EQ(inPlace->OnWindowMessage(WM_LBUTTONDOWN, 0, 0, &answer), S_FALSE);
}

TEST_F(InPlace, DeactivationReleasesWhatTheHostKeepsForScriptAndTheContainer) {
  start(true);
  ASSERT_EQ(activate(OLEIVERB_INPLACEACTIVATE), S_OK);
  auto host = std::dynamic_pointer_cast<ActiveXBrowserHost>(core->host());
  ASSERT_TRUE(host);
  testing::RecordingDispatch kept, queued;
  host->keepForScript(&kept);
  queued.AddRef();  // the reference the queued release stands for
  std::thread([&] { host->releaseLater(&queued); }).join();
  EXPECT_EQ(queued.references, 2u);
  const ULONG siteBefore = site->references;
  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(kept.references, 1u);
  EXPECT_EQ(queued.references, 1u);
  EXPECT_LT(site->references, siteBefore);  // the host's reference to the site
  EXPECT_EQ(core->currentWindow(), nullptr);
  // The instance itself lives on until the site goes.
  EXPECT_EQ(core->host(), host);
}

}  // namespace
}  // namespace FB::ActiveX
