#include "runtime/plugin_window_win.h"

#include <windows.h>
#include <windowsx.h>

#include <map>
#include <mutex>
#include <stdexcept>

#include "runtime/input_mapping_win.h"
#include "runtime/mouse_events.h"
#include "runtime/window_events.h"
#include "runtime/windows_event.h"

namespace FB {
namespace {

std::mutex& windowMapLock() {
  static std::mutex lock;
  return lock;
}

std::map<HWND, PluginWindowWin*>& windowMap() {
  static std::map<HWND, PluginWindowWin*> map;
  return map;
}

HWND handleOf(void* window) { return static_cast<HWND>(window); }

WNDPROC procedureOf(void* procedure) { return reinterpret_cast<WNDPROC>(procedure); }

WindowRect toWindowRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

struct PluginWindowWinProcedure {
  static LRESULT CALLBACK run(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PluginWindowWin* object = nullptr;
    {
      std::lock_guard<std::mutex> lock(windowMapLock());
      auto found = windowMap().find(window);
      if (found != windowMap().end()) object = found->second;
    }
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    // Taken now: an observer may not destroy the object, but the procedure
    // to pass on to must not depend on it after the events ran.
    WNDPROC previous = procedureOf(object->previousProcedure_);
    if (message == WM_NCDESTROY) object->release();
    try {
      std::intptr_t result = 0;
      if (message != WM_NCDESTROY && object->processMessage(message, wParam, lParam, result)) return result;
    } catch (...) {
      // Nothing may escape into the system's dispatch; the message goes on
      // as if nobody had handled it.
    }
    if (previous) return CallWindowProcW(previous, window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

PluginWindowWin::PluginWindowWin(void* window) : window_(window) {
  if (!window) throw std::invalid_argument("PluginWindowWin needs a window");
  HWND handle = handleOf(window);
  {
    std::lock_guard<std::mutex> lock(windowMapLock());
    if (!windowMap().emplace(handle, this).second) throw std::runtime_error("Window is already wrapped");
  }
  SetLastError(0);
  const LONG_PTR previous =
      SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PluginWindowWinProcedure::run));
  if (!previous && GetLastError() != 0) {
    std::lock_guard<std::mutex> lock(windowMapLock());
    windowMap().erase(handle);
    throw std::runtime_error("Could not replace the window procedure");
  }
  previousProcedure_ = reinterpret_cast<void*>(previous);
}

PluginWindowWin::~PluginWindowWin() { release(); }

void PluginWindowWin::release() {
  if (!window_) return;
  HWND handle = handleOf(window_);
  SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
  {
    std::lock_guard<std::mutex> lock(windowMapLock());
    windowMap().erase(handle);
  }
  window_ = nullptr;
}

void PluginWindowWin::invalidateWindow() {
  if (window_) InvalidateRect(handleOf(window_), nullptr, FALSE);
}

WindowRect PluginWindowWin::windowPosition() const {
  RECT rect{};
  if (!window_ || !GetWindowRect(handleOf(window_), &rect)) return {};
  HWND parent = GetParent(handleOf(window_));
  if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return toWindowRect(rect);
}

bool PluginWindowWin::handleOwnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                       std::intptr_t& result) {
  (void)message;
  (void)wParam;
  (void)lParam;
  (void)result;
  return false;
}

bool PluginWindowWin::processMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                     std::intptr_t& result) {
  if (handleOwnMessage(message, wParam, lParam, result)) return true;
  WindowsEvent raw(reinterpret_cast<std::uintptr_t>(window_), message, wParam, lParam);
  if (sendEvent(&raw)) {
    result = raw.result;
    return true;
  }
  result = 0;
  return mapMessage(message, wParam, lParam, result);
}

bool PluginWindowWin::mapMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                 std::intptr_t& result) {
  HWND handle = handleOf(window_);
  switch (message) {
    case WM_SIZE: {
      ResizedEvent event;
      return sendEvent(&event);
    }
    case WM_PAINT: {
      RECT area{};
      if (!GetUpdateRect(handle, &area, FALSE)) GetClientRect(handle, &area);
      RefreshEvent event(toWindowRect(area));
      if (!sendEvent(&event)) {
        // Nobody painted: acknowledge the paint so that it is not repeated.
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        EndPaint(handle, &paint);
      } else {
        // An observer that claimed the paint without painting through
        // BeginPaint would otherwise be sent the same paint again and again.
        ValidateRect(handle, nullptr);
      }
      return true;
    }
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
      return false;
    case WM_MOUSEACTIVATE:
      SetFocus(handle);
      result = MA_ACTIVATE;
      return true;
    case WM_GETDLGCODE:
      // The plug-in takes every key, arrows and tabs included.
      result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
      return true;
    case WM_TIMER: {
      TimerEvent event(wParam, lParam);
      return sendEvent(&event);
    }
    case WM_MOUSEWHEEL: {
      // The wheel reports screen coordinates; observers get client ones.
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(handle, &point);
      const double notches = static_cast<double>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA;
      MouseScrollEvent event(point.x, point.y, 0.0, notches, currentModifiers());
      return sendEvent(&event);
    }
    default:
      return sendInputEvent(*this, message, wParam, lParam).value_or(false);
  }
}

}  // namespace FB
