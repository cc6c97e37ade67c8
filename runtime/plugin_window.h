// FB::PluginWindow: the drawing surface the browser gives a plug-in
// instance, as an event source. The platform windows derive from it and turn
// platform messages into plug-in events for their observers (the plug-in
// core among them).
//
// Thread rules: the browser's main thread.
#pragma once

#include "runtime/plugin_event_source.h"

namespace FB {

struct WindowRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

class PluginWindow : public PluginEventSource {
 public:
  // Asks the platform to repaint the window's area.
  virtual void invalidateWindow() = 0;
  virtual WindowRect windowPosition() const = 0;
};

}  // namespace FB
