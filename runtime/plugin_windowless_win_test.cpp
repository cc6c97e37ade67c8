// The windowless plug-in window (Windows): page events passed in as
// messages, and the default painting into a memory device context backed by
// a DIB section.
#include "runtime/plugin_windowless_win.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/event_recorder_test_support.h"
#include "runtime/window_test_support_win.h"

namespace nz_runtime_test {
namespace {

using Lines = std::vector<std::string>;

constexpr int kWidth = 200;
constexpr int kHeight = 60;
constexpr std::uint32_t kBackground = 0x00808080;

LPARAM position(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// A memory device context drawing into 32-bit pixels the test can read.
class MemoryCanvas {
 public:
  MemoryCanvas() {
    context = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<std::uint32_t*>(bits);
    previous = SelectObject(context, bitmap);
    for (int i = 0; i < kWidth * kHeight; ++i) pixels[i] = kBackground;
  }
  ~MemoryCanvas() {
    SelectObject(context, previous);
    DeleteObject(bitmap);
    DeleteDC(context);
  }

  // Columns of the leftmost and rightmost changed pixels, or -1, -1.
  std::pair<int, int> changedColumns() const {
    GdiFlush();
    int first = -1;
    int last = -1;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (pixels[y * kWidth + x] == kBackground) continue;
        if (first < 0 || x < first) first = x;
        if (x > last) last = x;
      }
    }
    return {first, last};
  }

  HDC context = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  std::uint32_t* pixels = nullptr;
};

class PluginWindowlessWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setKeysDown({});
    plugin = std::make_shared<FB::PluginWindowlessWin>(nullptr);
    plugin->setWindowPosition(FB::WindowRect{0, 0, kWidth, kHeight});
    recorder = std::make_shared<EventRecorder>();
    plugin->addObserver(recorder);
  }
  void TearDown() override { setKeysDown({}); }

  bool pass(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    recorder->events.clear();
    recorder->rawMessages.clear();
    result = -1;
    return plugin->handleEvent(message, wParam, lParam, result);
  }

  std::shared_ptr<FB::PluginWindowlessWin> plugin;
  std::shared_ptr<EventRecorder> recorder;
  std::intptr_t result = 0;
};

TEST_F(PluginWindowlessWinTest, PageEventsBecomeMouseAndKeyEvents) {
  setKeysDown({VK_SHIFT});
  EXPECT_FALSE(pass(WM_LBUTTONDOWN, 0, position(-3, 4)));
  EXPECT_EQ(recorder->events, (Lines{"down 0 -3,4 m1"}));
  EXPECT_EQ(recorder->rawMessages, (std::vector<unsigned>{WM_LBUTTONDOWN}));
  EXPECT_EQ(result, 0);
  setKeysDown({});
  pass(WM_RBUTTONUP, 0, position(65535, 1));
  EXPECT_EQ(recorder->events, (Lines{"up 1 -1,1 m0"}));
  pass(WM_MBUTTONDOWN, 0, position(5, 6));
  EXPECT_EQ(recorder->events, (Lines{"down 2 5,6 m0"}));
  pass(WM_MOUSEMOVE, 0, position(7, 8));
  EXPECT_EQ(recorder->events, (Lines{"move 7,8 m0"}));
  pass(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(recorder->events, (Lines{"keydown 9 27 m0"}));
  pass(WM_KEYUP, '7');
  EXPECT_EQ(recorder->events, (Lines{"keyup 28 55 m0"}));
}

TEST_F(PluginWindowlessWinTest, OtherMessagesAreOfferedRawButNotHandled) {
  EXPECT_FALSE(pass(WM_TIMER, 3));
  EXPECT_FALSE(pass(WM_MOUSEWHEEL));
  EXPECT_EQ(recorder->rawMessages, (std::vector<unsigned>{WM_MOUSEWHEEL}));
  EXPECT_TRUE(recorder->events.empty());
}

TEST_F(PluginWindowlessWinTest, HandledEventsAnswerTrueAndAHandledWindowsEventGivesItsResult) {
  recorder->handler = [](FB::PluginEvent* event) { return dynamic_cast<FB::MouseUpEvent*>(event) != nullptr; };
  EXPECT_TRUE(pass(WM_LBUTTONUP));
  EXPECT_EQ(result, 0);
  recorder->handler = [](FB::PluginEvent* event) {
    auto* raw = dynamic_cast<FB::WindowsEvent*>(event);
    if (!raw) return false;
    EXPECT_EQ(raw->window, 0u);
    raw->result = 55;
    return true;
  };
  EXPECT_TRUE(pass(WM_KEYDOWN, 'Q'));
  EXPECT_EQ(result, 55);
  EXPECT_TRUE(recorder->events.empty());
}

TEST_F(PluginWindowlessWinTest, AnUnhandledPaintDrawsTheNameCentredInTheWindowsRectangle) {
  MemoryCanvas canvas;
  plugin->paint(canvas.context, FB::WindowRect{1, 2, 3, 4});
  EXPECT_EQ(recorder->events, (Lines{"refresh 1,2,3,4"}));
  EXPECT_EQ(plugin->deviceContext(), canvas.context);
  EXPECT_EQ(GetTextAlign(canvas.context), 30u);
  const auto [first, last] = canvas.changedColumns();
  ASSERT_GE(first, 0) << "no text was drawn";
  EXPECT_GT(last - first, 20);  // a word, not a dot
  EXPECT_NEAR((first + last) / 2.0, kWidth / 2.0, 4.0);
}

TEST_F(PluginWindowlessWinTest, APaintAnObserverHandlesDrawsNothing) {
  MemoryCanvas canvas;
  recorder->handler = [](FB::PluginEvent* event) { return dynamic_cast<FB::RefreshEvent*>(event) != nullptr; };
  plugin->paint(canvas.context, FB::WindowRect{0, 0, kWidth, kHeight});
  EXPECT_EQ(recorder->events, (Lines{"refresh 0,0,200,60"}));
  EXPECT_EQ(canvas.changedColumns().first, -1);
}

TEST_F(PluginWindowlessWinTest, InvalidatingAsksForTheWholeRectangle) {
  plugin->invalidateWindow();  // no invalidator yet: nothing happens
  std::vector<FB::WindowRect> asked;
  plugin->setInvalidator([&asked](const FB::WindowRect& area) { asked.push_back(area); });
  plugin->setWindowPosition(FB::WindowRect{10, 20, 110, 70});
  plugin->invalidateWindow();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].left, 10);
  EXPECT_EQ(asked[0].bottom, 70);
  EXPECT_EQ(plugin->windowPosition().right, 110);
}

}  // namespace
}  // namespace nz_runtime_test
