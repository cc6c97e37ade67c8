// FB::PluginWindowlessWin: the plug-in window of a windowless instance,
// which draws into the page's device context inside its rectangle of the
// page. The binding passes it each page event (handleEvent) and each paint
// request (paint); it turns them into plug-in events for its observers and,
// when no observer paints, draws the product's name centred in its
// rectangle. Windows only; declares no Windows types.
//
// Thread rules: made, used and destroyed on the browser's main thread.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/plugin_window.h"

namespace FB {

class PluginWindowlessWin : public PluginWindow {
 public:
  // Asks the browser to repaint an area of the page (NPN_InvalidateRect).
  using Invalidator = std::function<void(const WindowRect& area)>;

  // `deviceContext` is the page's HDC as far as it is known yet (may be null).
  explicit PluginWindowlessWin(void* deviceContext);

  void* deviceContext() const { return deviceContext_; }
  void setDeviceContext(void* deviceContext) { deviceContext_ = deviceContext; }

  // The plug-in's rectangle in the page, as the browser last gave it.
  void setWindowPosition(const WindowRect& position) { position_ = position; }
  WindowRect windowPosition() const override { return position_; }

  void setInvalidator(Invalidator invalidator) { invalidator_ = std::move(invalidator); }
  // Hands the whole rectangle to the invalidator; nothing without one.
  void invalidateWindow() override;

  // One page event: WindowsEvent first, then key, mouse-move and button
  // messages as their events. Answers whether it was handled, with the
  // result of a handled WindowsEvent in `result` (0 otherwise).
  bool handleEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam, std::intptr_t& result);

  // A paint request for `area` into `deviceContext` (an HDC), which becomes
  // the window's context. Observers get a RefreshEvent; when none handles it
  // the window draws "Norvell Zephel" centred in its rectangle.
  void paint(void* deviceContext, const WindowRect& area);

 private:
  void drawDefault() const;

  void* deviceContext_ = nullptr;
  WindowRect position_;
  Invalidator invalidator_;
};

}  // namespace FB
