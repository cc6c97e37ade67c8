// Test support (Windows): a message-only window of a test class whose
// procedure answers 77 to every message and records the messages it
// receives, standing for the window procedure that a plug-in window
// replaces. Message-only windows are used because they exist without a
// display, as under wine on the build machines. Test thread only.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <vector>

namespace nz_runtime_test {

constexpr LRESULT kOldProcedureAnswer = 77;

inline std::vector<UINT>& oldProcedureMessages() {
  static std::vector<UINT> messages;
  return messages;
}

inline LRESULT CALLBACK oldTestProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  oldProcedureMessages().push_back(message);
  if (message == WM_CREATE || message == WM_NCCREATE || message == WM_NCCALCSIZE)
    return DefWindowProcW(window, message, wParam, lParam);
  return kOldProcedureAnswer;
}

inline bool oldProcedureGot(UINT message) {
  for (UINT seen : oldProcedureMessages()) {
    if (seen == message) return true;
  }
  return false;
}

// Creates and destroys the test window; the old procedure's record starts
// empty once the window exists.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &oldTestProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"NzPluginWindowTest";
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw std::runtime_error("test window class");
    handle = CreateWindowExW(0, L"NzPluginWindowTest", L"plug-in", 0, 0, 0, 120, 80, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!handle) throw std::runtime_error("test window");
    oldProcedureMessages().clear();
  }
  ~TestWindow() {
    if (IsWindow(handle)) DestroyWindow(handle);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND handle = nullptr;
};

// Sets the calling thread's key state: the listed virtual keys down, all
// others up.
inline void setKeysDown(std::initializer_list<int> keys) {
  BYTE state[256] = {};
  for (int key : keys) state[key] = 0x80;
  SetKeyboardState(state);
}

}  // namespace nz_runtime_test
