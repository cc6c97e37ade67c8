// The windowed plug-in window (Windows): a real window of a test class is
// wrapped, messages are sent to it with SendMessageW, and the tests check
// what the observers get, what reaches the window's previous procedure and
// what the system gets back.
#include "runtime/plugin_window_win.h"

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/event_recorder_test_support.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_windowless_win.h"
#include "runtime/window_test_support_win.h"

namespace nz_runtime_test {
namespace {

using Lines = std::vector<std::string>;

LPARAM position(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class PluginWindowWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setKeysDown({});
    plugin = std::make_unique<FB::PluginWindowWin>(window.handle);
    recorder = std::make_shared<EventRecorder>();
    plugin->addObserver(recorder);
  }
  void TearDown() override { setKeysDown({}); }

  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    oldProcedureMessages().clear();
    recorder->events.clear();
    recorder->rawMessages.clear();
    return SendMessageW(window.handle, message, wParam, lParam);
  }

  TestWindow window;
  std::unique_ptr<FB::PluginWindowWin> plugin;
  std::shared_ptr<EventRecorder> recorder;
};

TEST_F(PluginWindowWinTest, ButtonsCarryTheirNumberASignedPositionAndTheModifiers) {
  setKeysDown({VK_SHIFT, VK_CONTROL});
  send(WM_LBUTTONDOWN, MK_LBUTTON, position(-5, 7));
  EXPECT_EQ(recorder->events, (Lines{"down 0 -5,7 m3"}));
  EXPECT_EQ(recorder->rawMessages, (std::vector<unsigned>{WM_LBUTTONDOWN}));
  setKeysDown({VK_MENU});
  send(WM_RBUTTONUP, 0, position(40000, 2));  // 40000 does not fit 16 signed bits
  EXPECT_EQ(recorder->events, (Lines{"up 1 -25536,2 m4"}));
  setKeysDown({});
  send(WM_MBUTTONDOWN, 0, position(1, -2));
  EXPECT_EQ(recorder->events, (Lines{"down 2 1,-2 m0"}));
  send(WM_MBUTTONUP, 0, position(1, 2));
  send(WM_LBUTTONUP);
  send(WM_RBUTTONDOWN);
  EXPECT_EQ(recorder->events, (Lines{"down 1 0,0 m0"}));
  send(WM_MOUSEMOVE, 0, position(-1, 300));
  EXPECT_EQ(recorder->events, (Lines{"move -1,300 m0"}));
}

TEST_F(PluginWindowWinTest, KeysCarryTheFrameworkAndThePlatformCode) {
  setKeysDown({VK_CONTROL});
  send(WM_KEYDOWN, 'A');
  EXPECT_EQ(recorder->events, (Lines{"keydown 31 65 m2"}));
  setKeysDown({});
  send(WM_KEYUP, VK_F5);
  EXPECT_EQ(recorder->events, (Lines{"keyup 76 116 m0"}));
}

TEST_F(PluginWindowWinTest, SizeTimerWheelAndPaintBecomeTheirEvents) {
  send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(30, 20));
  EXPECT_EQ(recorder->events, (Lines{"resized"}));
  send(WM_TIMER, 7, 9);
  EXPECT_EQ(recorder->events, (Lines{"timer 7 9"}));
  POINT origin{0, 0};
  ClientToScreen(window.handle, &origin);
  send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), position(origin.x + 3, origin.y + 4));
  EXPECT_EQ(recorder->events, (Lines{"scroll 3,4 0/-2 m0"}));
  send(WM_PAINT);
  ASSERT_EQ(recorder->events.size(), 1u);
  EXPECT_EQ(recorder->events[0].rfind("refresh ", 0), 0u);
  // Nobody painted: the window acknowledged the paint itself.
  EXPECT_FALSE(oldProcedureGot(WM_PAINT));
}

TEST_F(PluginWindowWinTest, UnhandledEventsAndUnmappedMessagesReachThePreviousProcedure) {
  EXPECT_EQ(send(WM_LBUTTONDOWN), kOldProcedureAnswer);
  EXPECT_TRUE(oldProcedureGot(WM_LBUTTONDOWN));
  EXPECT_EQ(send(WM_USER + 5, 1, 2), kOldProcedureAnswer);
  EXPECT_EQ(recorder->rawMessages, (std::vector<unsigned>{WM_USER + 5}));
  EXPECT_TRUE(recorder->events.empty());
  EXPECT_EQ(send(WM_SIZE), kOldProcedureAnswer);
  EXPECT_EQ(send(WM_KEYUP, 'B'), kOldProcedureAnswer);
  EXPECT_EQ(send(WM_TIMER, 1), kOldProcedureAnswer);
  // The arrow is set and the message still passes on.
  EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window.handle), HTCLIENT), kOldProcedureAnswer);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

TEST_F(PluginWindowWinTest, HandledMessagesStopBeforeThePreviousProcedure) {
  recorder->handler = [](FB::PluginEvent* event) { return dynamic_cast<FB::MouseDownEvent*>(event) != nullptr; };
  EXPECT_EQ(send(WM_LBUTTONDOWN), 0);
  EXPECT_EQ(recorder->events, (Lines{"down 0 0,0 m0"}));
  EXPECT_FALSE(oldProcedureGot(WM_LBUTTONDOWN));
  // Activation and dialog codes are always answered here.
  EXPECT_EQ(send(WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(window.handle), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_ACTIVATE);
  EXPECT_FALSE(oldProcedureGot(WM_MOUSEACTIVATE));
  EXPECT_EQ(send(WM_GETDLGCODE) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
  EXPECT_FALSE(oldProcedureGot(WM_GETDLGCODE));
}

TEST_F(PluginWindowWinTest, AHandledWindowsEventStopsMappingAndReturnsItsResult) {
  recorder->handler = [](FB::PluginEvent* event) {
    auto* raw = dynamic_cast<FB::WindowsEvent*>(event);
    if (!raw || raw->message != WM_KEYDOWN) return false;
    raw->result = 1234;
    return true;
  };
  EXPECT_EQ(send(WM_KEYDOWN, 'A'), 1234);
  EXPECT_TRUE(recorder->events.empty());
  EXPECT_FALSE(oldProcedureGot(WM_KEYDOWN));
}

TEST_F(PluginWindowWinTest, AnObserverThatThrowsDoesNotReachTheSystem) {
  recorder->handler = [](FB::PluginEvent* event) -> bool {
    if (dynamic_cast<FB::MouseMoveEvent*>(event)) throw std::runtime_error("observer failed");
    return false;
  };
  EXPECT_EQ(send(WM_MOUSEMOVE), kOldProcedureAnswer);
  EXPECT_TRUE(oldProcedureGot(WM_MOUSEMOVE));
}

TEST_F(PluginWindowWinTest, DestroyingTheWrapperRestoresTheProcedure) {
  EXPECT_NE(GetWindowLongPtrW(window.handle, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&oldTestProcedure));
  plugin.reset();
  EXPECT_EQ(GetWindowLongPtrW(window.handle, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&oldTestProcedure));
  EXPECT_EQ(send(WM_LBUTTONDOWN), kOldProcedureAnswer);
  EXPECT_TRUE(recorder->rawMessages.empty());
  EXPECT_TRUE(recorder->events.empty());
}

TEST_F(PluginWindowWinTest, TheProcedurePassesMessagesOfUnknownWindowsToTheDefault) {
  auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window.handle, GWLP_WNDPROC));
  TestWindow other;
  oldProcedureMessages().clear();
  EXPECT_EQ(CallWindowProcW(procedure, other.handle, WM_USER + 1, 0, 0), 0);
  EXPECT_TRUE(oldProcedureMessages().empty());
}

TEST_F(PluginWindowWinTest, AWindowDestroyedFirstLeavesTheWrapperHarmless) {
  DestroyWindow(window.handle);
  EXPECT_TRUE(oldProcedureGot(WM_NCDESTROY));
  EXPECT_EQ(plugin->windowHandle(), nullptr);
  plugin->invalidateWindow();
  EXPECT_EQ(plugin->windowPosition().right, 0);
  plugin.reset();
}

TEST_F(PluginWindowWinTest, AWindowIsWrappedOnceAndANullWindowNever) {
  EXPECT_EQ(plugin->windowHandle(), window.handle);
  EXPECT_THROW(FB::PluginWindowWin{window.handle}, std::runtime_error);
  EXPECT_THROW(FB::PluginWindowWin{nullptr}, std::invalid_argument);
  EXPECT_EQ(send(WM_LBUTTONDOWN), kOldProcedureAnswer);  // the first wrapper still works
  EXPECT_EQ(recorder->events.size(), 1u);
}

class SurfaceFactory : public FB::FactoryBase {
 public:
  FB::PluginCorePtr createPlugin(const std::string&) override { return nullptr; }
};

TEST(FactoryWindowsWinTest, TheWindowSlotsWrapTheSurfaceTheyAreGiven) {
  TestWindow window;
  SurfaceFactory factory;
  std::unique_ptr<FB::PluginWindow> windowed = factory.createWindowedWindow(FB::WindowedContext{window.handle});
  auto* windowedWin = dynamic_cast<FB::PluginWindowWin*>(windowed.get());
  ASSERT_NE(windowedWin, nullptr);
  EXPECT_EQ(windowedWin->windowHandle(), window.handle);

  HDC context = CreateCompatibleDC(nullptr);
  std::unique_ptr<FB::PluginWindow> windowless = factory.createWindowlessWindow(FB::WindowlessContext{context});
  auto* windowlessWin = dynamic_cast<FB::PluginWindowlessWin*>(windowless.get());
  ASSERT_NE(windowlessWin, nullptr);
  EXPECT_EQ(windowlessWin->deviceContext(), context);
  DeleteDC(context);
}

}  // namespace
}  // namespace nz_runtime_test
