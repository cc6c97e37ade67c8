// The window-state events of a plug-in window: a request to paint a
// rectangle, a change of size, and a timer that fired.
//
// Plain values made by a plug-in window on the browser's main thread and
// passed by pointer for one delivery; any thread may create them.
#pragma once

#include <cstdint>

#include "runtime/plugin_event.h"
#include "runtime/plugin_window.h"

namespace FB {

// The area to paint, in the coordinates the window paints in: its client
// area for a window of its own, the page's for a windowless plug-in.
class RefreshEvent : public PluginEvent {
 public:
  explicit RefreshEvent(const WindowRect& bounds) : bounds(bounds) {}

  WindowRect bounds;
};

// The window changed size; observers ask the window for its new rectangle.
class ResizedEvent : public PluginEvent {};

// A platform timer fired: its identifier and the value the platform passed
// with it (the callback address of a Windows timer, or zero).
class TimerEvent : public PluginEvent {
 public:
  TimerEvent(std::uintptr_t timerId, std::intptr_t data) : timerId(timerId), data(data) {}

  std::uintptr_t timerId;
  std::intptr_t data;
};

}  // namespace FB
