// FB::WindowsEvent: a raw Windows message offered to a plug-in window's
// observers before the window maps it to a framework event. An observer that
// handles it answers true and leaves the message's result in `result`; the
// window then stops and returns that result to the system.
//
// The fields are plain integers of the sizes of HWND, UINT, WPARAM, LPARAM
// and LRESULT, so that code shared by every platform (an application's
// handlePluginEvent) can recognise the event without <windows.h>; only
// Windows sends it.
//
// A windowless plug-in window has no window of its own and sends 0 as
// `window`.
//
// A plain value made by a plug-in window on the browser's main thread and
// passed by pointer for one delivery.
#pragma once

#include <cstdint>

#include "runtime/plugin_event.h"

namespace FB {

class WindowsEvent : public PluginEvent {
 public:
  WindowsEvent(std::uintptr_t window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
      : window(window), message(message), wParam(wParam), lParam(lParam) {}

  std::uintptr_t window;
  unsigned message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::intptr_t result = 0;  // set by the observer that handles the message
};

}  // namespace FB
