#include "runtime/plugin_windowless_win.h"

#include <windows.h>

#include "runtime/input_mapping_win.h"
#include "runtime/window_events.h"
#include "runtime/windows_event.h"

namespace FB {
namespace {

constexpr wchar_t kDefaultText[] = L"Norvell Zephel";
constexpr UINT kCentreOnBaseline = TA_CENTER | TA_BASELINE;  // 30

static_assert(kCentreOnBaseline == 30, "text centred horizontally, on its baseline");

}  // namespace

PluginWindowlessWin::PluginWindowlessWin(void* deviceContext) : deviceContext_(deviceContext) {}

void PluginWindowlessWin::invalidateWindow() {
  if (invalidator_) invalidator_(position_);
}

bool PluginWindowlessWin::handleEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                      std::intptr_t& result) {
  result = 0;
  WindowsEvent raw(0, message, wParam, lParam);
  if (sendEvent(&raw)) {
    result = raw.result;
    return true;
  }
  return sendInputEvent(*this, message, wParam, lParam).value_or(false);
}

void PluginWindowlessWin::paint(void* deviceContext, const WindowRect& area) {
  deviceContext_ = deviceContext;
  RefreshEvent event(area);
  if (!sendEvent(&event)) drawDefault();
}

void PluginWindowlessWin::drawDefault() const {
  HDC context = static_cast<HDC>(deviceContext_);
  if (!context) return;
  const int middleX = position_.left + (position_.right - position_.left) / 2;
  const int middleY = position_.top + (position_.bottom - position_.top) / 2;
  SetTextAlign(context, kCentreOnBaseline);
  TextOutW(context, middleX, middleY, kDefaultText, static_cast<int>(wcslen(kDefaultText)));
}

}  // namespace FB
