// FB::Npapi::AsyncMessageWindow: a hidden message-only window that runs one
// handler for the messages posted to it. Windows only; declares no Windows
// types, so including it does not pull in <windows.h>.
//
// Each window registers its own class, "FBEventWindowClass" followed by a
// process-wide counter (the title is "FBEventWindow" and the same number).
// A process-wide map from window handle to object, under its own mutex,
// lets the shared window procedure find the object.
//
// Thread rules: made and destroyed on the thread whose messages it receives
// (the browser's main thread); post() may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace FB::Npapi {

class AsyncMessageWindow {
 public:
  // Answers whether it handled the message, and then its result.
  using Handler = std::function<bool(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                                     std::intptr_t& result)>;

  // Throws std::runtime_error "Could not register window class" or "Could
  // not create Message Window".
  AsyncMessageWindow();
  ~AsyncMessageWindow();
  AsyncMessageWindow(const AsyncMessageWindow&) = delete;
  AsyncMessageWindow& operator=(const AsyncMessageWindow&) = delete;

  void setHandler(Handler handler);
  // PostMessageW to the window; false when the system refuses.
  bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const;

  void* handle() const { return window_; }
  const std::wstring& className() const { return className_; }
  const std::wstring& title() const { return title_; }

  // Dispatches the calling thread's queued messages (for tests and hosts
  // without a message loop of their own); answers how many were dispatched.
  static std::size_t dispatchPending();

 private:
  friend struct AsyncMessageWindowProcedure;

  void* window_ = nullptr;
  std::wstring className_;
  std::wstring title_;
  Handler handler_;
};

}  // namespace FB::Npapi
