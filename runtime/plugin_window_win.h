// FB::PluginWindowWin: the plug-in window over a child window that the
// browser gives a windowed instance. While it exists it replaces the
// window's message procedure with its own, turns the messages into plug-in
// events for its observers, passes what they leave to the previous
// procedure, and puts that procedure back when it goes. Windows only;
// declares no Windows types.
//
// A process-wide map from window handle to object, under its own mutex,
// lets the shared procedure find the object; messages of windows it does not
// know go to DefWindowProcW. No exception leaves the procedure: a message
// whose handling throws goes on to the previous procedure.
//
// Thread rules: made, used and destroyed on the thread that owns the window
// (the browser's main thread). An observer must not destroy the object while
// it handles one of the object's events.
#pragma once

#include <cstdint>

#include "runtime/plugin_window.h"

namespace FB {

class PluginWindowWin : public PluginWindow {
 public:
  // Takes over the procedure of `window` (an HWND). Throws
  // std::invalid_argument for a null handle, and std::runtime_error when the
  // window is already wrapped or its procedure cannot be replaced.
  explicit PluginWindowWin(void* window);
  ~PluginWindowWin() override;

  // The wrapped HWND; null once the system has destroyed the window.
  void* windowHandle() const { return window_; }

  // Marks the whole client area for repainting.
  void invalidateWindow() override;
  // The window's rectangle in its parent's client coordinates (the screen's
  // for a window without parent); empty once the window is gone.
  WindowRect windowPosition() const override;

 protected:
  // A subclass's first look at every message; answering true stops all
  // further handling and returns `result`. The default handles nothing.
  virtual bool handleOwnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                std::intptr_t& result);

 private:
  friend struct PluginWindowWinProcedure;

  // Answers true with `result` when the message was handled here.
  bool processMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result);
  bool mapMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result);
  // The window is being destroyed by the system: restore and forget it.
  void release();

  void* window_ = nullptr;
  void* previousProcedure_ = nullptr;
};

}  // namespace FB
