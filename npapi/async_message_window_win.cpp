#include "npapi/async_message_window_win.h"

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <stdexcept>

namespace FB::Npapi {
namespace {

std::mutex& windowMapLock() {
  static std::mutex lock;
  return lock;
}

std::map<HWND, AsyncMessageWindow*>& windowMap() {
  static std::map<HWND, AsyncMessageWindow*> map;
  return map;
}

std::atomic<unsigned> g_windowCounter{0};

// The module that holds this code (the plug-in DLL, or a test program).
HINSTANCE thisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

}  // namespace

struct AsyncMessageWindowProcedure {
  static LRESULT CALLBACK run(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    AsyncMessageWindow::Handler handler;
    {
      std::lock_guard<std::mutex> lock(windowMapLock());
      auto found = windowMap().find(window);
      if (found != windowMap().end()) handler = found->second->handler_;
    }
    if (handler) {
      std::intptr_t result = 0;
      try {
        if (handler(message, wParam, lParam, result)) return result;
      } catch (...) {
        // Nothing may escape into the system's message dispatch.
        return 0;
      }
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

AsyncMessageWindow::AsyncMessageWindow() {
  const unsigned number = g_windowCounter++;
  className_ = L"FBEventWindowClass" + std::to_wstring(number);
  title_ = L"FBEventWindow" + std::to_wstring(number);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &AsyncMessageWindowProcedure::run;
  windowClass.hInstance = thisModule();
  windowClass.lpszClassName = className_.c_str();
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("Could not register window class");
  }
  HWND window = CreateWindowExW(0, className_.c_str(), title_.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                thisModule(), nullptr);
  if (!window) throw std::runtime_error("Could not create Message Window");
  window_ = window;
  std::lock_guard<std::mutex> lock(windowMapLock());
  windowMap()[window] = this;
}

AsyncMessageWindow::~AsyncMessageWindow() {
  {
    std::lock_guard<std::mutex> lock(windowMapLock());
    windowMap().erase(static_cast<HWND>(window_));
  }
  DestroyWindow(static_cast<HWND>(window_));
  // Each window has a class of its own: without this every instance would
  // leave a class (and its atom) behind, pointing into this module.
  UnregisterClassW(className_.c_str(), thisModule());
  handler_ = nullptr;
}

void AsyncMessageWindow::setHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(windowMapLock());
  handler_ = std::move(handler);
}

bool AsyncMessageWindow::post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const {
  return PostMessageW(static_cast<HWND>(window_), message, wParam, lParam) != 0;
}

std::size_t AsyncMessageWindow::dispatchPending() {
  std::size_t count = 0;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    ++count;
  }
  return count;
}

}  // namespace FB::Npapi
