// Test support: a sink that writes each plug-in window event it receives as
// a short line of text ("down 0 -5,7 m3"), keeps the message numbers of raw
// WindowsEvents apart, and answers through an optional handler. Used by the
// tests of the plug-in windows and their events; test thread only.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "runtime/key_events.h"
#include "runtime/mouse_events.h"
#include "runtime/plugin_event_sink.h"
#include "runtime/window_events.h"
#include "runtime/windows_event.h"

namespace nz_runtime_test {

inline std::string describeEvent(FB::PluginEvent* event) {
  char text[128] = "";
  if (auto* down = dynamic_cast<FB::MouseDownEvent*>(event)) {
    std::snprintf(text, sizeof text, "down %d %d,%d m%u", down->button, down->x, down->y, down->modifiers);
  } else if (auto* up = dynamic_cast<FB::MouseUpEvent*>(event)) {
    std::snprintf(text, sizeof text, "up %d %d,%d m%u", up->button, up->x, up->y, up->modifiers);
  } else if (auto* move = dynamic_cast<FB::MouseMoveEvent*>(event)) {
    std::snprintf(text, sizeof text, "move %d,%d m%u", move->x, move->y, move->modifiers);
  } else if (auto* scroll = dynamic_cast<FB::MouseScrollEvent*>(event)) {
    std::snprintf(text, sizeof text, "scroll %d,%d %g/%g m%u", scroll->x, scroll->y, scroll->deltaX, scroll->deltaY,
                  scroll->modifiers);
  } else if (auto* keyDown = dynamic_cast<FB::KeyDownEvent*>(event)) {
    std::snprintf(text, sizeof text, "keydown %d %u m%u", keyDown->keyCode, keyDown->platformKeyCode,
                  keyDown->modifiers);
  } else if (auto* keyUp = dynamic_cast<FB::KeyUpEvent*>(event)) {
    std::snprintf(text, sizeof text, "keyup %d %u m%u", keyUp->keyCode, keyUp->platformKeyCode, keyUp->modifiers);
  } else if (auto* refresh = dynamic_cast<FB::RefreshEvent*>(event)) {
    std::snprintf(text, sizeof text, "refresh %d,%d,%d,%d", refresh->bounds.left, refresh->bounds.top,
                  refresh->bounds.right, refresh->bounds.bottom);
  } else if (dynamic_cast<FB::ResizedEvent*>(event)) {
    std::snprintf(text, sizeof text, "resized");
  } else if (auto* timer = dynamic_cast<FB::TimerEvent*>(event)) {
    std::snprintf(text, sizeof text, "timer %llu %lld", static_cast<unsigned long long>(timer->timerId),
                  static_cast<long long>(timer->data));
  } else if (dynamic_cast<FB::AttachedEvent*>(event)) {
    std::snprintf(text, sizeof text, "attached");
  } else if (dynamic_cast<FB::DetachedEvent*>(event)) {
    std::snprintf(text, sizeof text, "detached");
  } else {
    std::snprintf(text, sizeof text, "other");
  }
  return text;
}

class EventRecorder : public FB::PluginEventSink {
 public:
  bool handlePluginEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override {
    (void)source;
    if (auto* raw = dynamic_cast<FB::WindowsEvent*>(event)) {
      rawMessages.push_back(raw->message);
    } else if (!dynamic_cast<FB::AttachedEvent*>(event) && !dynamic_cast<FB::DetachedEvent*>(event)) {
      events.push_back(describeEvent(event));
    }
    return handler ? handler(event) : false;
  }

  // Answers for the recorder; none means nothing is handled.
  std::function<bool(FB::PluginEvent*)> handler;
  std::vector<std::string> events;
  std::vector<unsigned> rawMessages;
};

}  // namespace nz_runtime_test
