// The plug-in window events as values: their kinds, their fields, the
// framework key-code range, and their delivery through an event source.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/event_recorder_test_support.h"
#include "runtime/plugin_event_source.h"

namespace nz_runtime_test {
namespace {

using Lines = std::vector<std::string>;

TEST(PluginEventsTest, EventsShareTheirKindsBaseAndKeepTheirFields) {
  FB::MouseDownEvent down(FB::MouseButtonMiddle, -5, 7, FB::ModifierShift | FB::ModifierAlt);
  FB::MouseButtonEvent* button = &down;
  EXPECT_EQ(describeEvent(button), "down 2 -5,7 m5");
  FB::MouseUpEvent up(FB::MouseButtonRight, 1, 2, FB::ModifierControl);
  EXPECT_EQ(dynamic_cast<FB::MouseDownEvent*>(static_cast<FB::PluginEvent*>(&up)), nullptr);
  FB::KeyUpEvent keyUp(FB::KeyA, 65, FB::ModifierControl);
  FB::KeyEvent* key = &keyUp;
  EXPECT_EQ(describeEvent(key), "keyup 31 65 m2");
  FB::WindowsEvent raw(0x1234, 0x0201, 3, -1);
  EXPECT_EQ(raw.window, 0x1234u);
  EXPECT_EQ(raw.lParam, -1);
  EXPECT_EQ(raw.result, 0);
  // Framework key codes: digits, letters, keypad digits and F1 to F12 in
  // runs, 84 for every key without a code.
  EXPECT_EQ(FB::KeyA - FB::Key0, 10);
  EXPECT_EQ(FB::KeyNumpad0 - FB::KeyA, 26);
  EXPECT_EQ(FB::KeyF1 + 11, 83);
  EXPECT_EQ(FB::KeyUnknown, 84);
}

TEST(PluginEventsTest, WindowEventsReachObserversThroughAnEventSource) {
  auto source = std::make_shared<FB::PluginEventSource>();
  auto recorder = std::make_shared<EventRecorder>();
  source->addObserver(recorder);
  FB::RefreshEvent refresh(FB::WindowRect{1, 2, 30, 40});
  FB::ResizedEvent resized;
  FB::TimerEvent timer(7, 9);
  FB::MouseScrollEvent scroll(3, 4, 0.0, -1.5, FB::ModifierNone);
  FB::MouseMoveEvent move(-1, 0, FB::ModifierShift);
  FB::KeyDownEvent keyDown(FB::KeyUnknown, 91, FB::ModifierNone);
  for (FB::PluginEvent* event : std::vector<FB::PluginEvent*>{&refresh, &resized, &timer, &scroll, &move, &keyDown}) {
    EXPECT_FALSE(source->sendEvent(event));
  }
  EXPECT_EQ(recorder->events, (Lines{"refresh 1,2,30,40", "resized", "timer 7 9", "scroll 3,4 0/-1.5 m0",
                                     "move -1,0 m1", "keydown 84 91 m0"}));

  recorder->handler = [](FB::PluginEvent* event) { return dynamic_cast<FB::RefreshEvent*>(event) != nullptr; };
  EXPECT_TRUE(source->sendEvent(&refresh));
  EXPECT_FALSE(source->sendEvent(&resized));
}

}  // namespace
}  // namespace nz_runtime_test
