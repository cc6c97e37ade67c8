#include "runtime/input_mapping_win.h"

#include <windows.h>

#include "runtime/mouse_events.h"
#include "runtime/plugin_event_source.h"

namespace FB {
namespace {

struct SingleKey {
  unsigned virtualKey;
  KeyCode keyCode;
};

constexpr SingleKey kSingleKeys[] = {
    {VK_BACK, KeyBackspace},   {VK_TAB, KeyTab},         {VK_CLEAR, KeyClear},     {VK_RETURN, KeyEnter},
    {VK_SHIFT, KeyShift},      {VK_LSHIFT, KeyShift},    {VK_RSHIFT, KeyShift},    {VK_CONTROL, KeyControl},
    {VK_LCONTROL, KeyControl}, {VK_RCONTROL, KeyControl}, {VK_MENU, KeyAlt},       {VK_LMENU, KeyAlt},
    {VK_RMENU, KeyAlt},        {VK_PAUSE, KeyPause},     {VK_CAPITAL, KeyCapsLock}, {VK_ESCAPE, KeyEscape},
    {VK_SPACE, KeySpace},      {VK_PRIOR, KeyPageUp},    {VK_NEXT, KeyPageDown},   {VK_END, KeyEnd},
    {VK_HOME, KeyHome},        {VK_LEFT, KeyLeft},       {VK_UP, KeyUp},           {VK_RIGHT, KeyRight},
    {VK_DOWN, KeyDown},        {VK_INSERT, KeyInsert},   {VK_DELETE, KeyDelete},   {VK_MULTIPLY, KeyMultiply},
    {VK_ADD, KeyAdd},          {VK_SUBTRACT, KeySubtract}, {VK_DECIMAL, KeyDecimal}, {VK_DIVIDE, KeyDivide},
};

KeyCode offsetKey(KeyCode first, unsigned offset) { return static_cast<KeyCode>(first + static_cast<int>(offset)); }

bool keyIsDown(int virtualKey) { return (GetKeyState(virtualKey) & 0x8000) != 0; }

int signedLow(std::intptr_t lParam) { return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))); }
int signedHigh(std::intptr_t lParam) { return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))); }

template <class Event>
bool sendButton(PluginEventSource& source, int button, std::intptr_t lParam) {
  Event event(button, signedLow(lParam), signedHigh(lParam), currentModifiers());
  return source.sendEvent(&event);
}

template <class Event>
bool sendKey(PluginEventSource& source, std::uintptr_t wParam) {
  const auto virtualKey = static_cast<unsigned>(wParam);
  Event event(keyCodeFromVirtualKey(virtualKey), virtualKey, currentModifiers());
  return source.sendEvent(&event);
}

}  // namespace

KeyCode keyCodeFromVirtualKey(unsigned virtualKey) {
  if (virtualKey >= '0' && virtualKey <= '9') return offsetKey(Key0, virtualKey - '0');
  if (virtualKey >= 'A' && virtualKey <= 'Z') return offsetKey(KeyA, virtualKey - 'A');
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) return offsetKey(KeyNumpad0, virtualKey - VK_NUMPAD0);
  if (virtualKey >= VK_F1 && virtualKey <= VK_F12) return offsetKey(KeyF1, virtualKey - VK_F1);
  for (const SingleKey& key : kSingleKeys) {
    if (key.virtualKey == virtualKey) return key.keyCode;
  }
  return KeyUnknown;
}

unsigned currentModifiers() {
  unsigned modifiers = ModifierNone;
  if (keyIsDown(VK_SHIFT)) modifiers |= ModifierShift;
  if (keyIsDown(VK_CONTROL)) modifiers |= ModifierControl;
  if (keyIsDown(VK_MENU)) modifiers |= ModifierAlt;
  return modifiers;
}

std::optional<bool> sendInputEvent(PluginEventSource& source, unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  switch (message) {
    case WM_KEYDOWN:
      return sendKey<KeyDownEvent>(source, wParam);
    case WM_KEYUP:
      return sendKey<KeyUpEvent>(source, wParam);
    case WM_MOUSEMOVE: {
      MouseMoveEvent event(signedLow(lParam), signedHigh(lParam), currentModifiers());
      return source.sendEvent(&event);
    }
    case WM_LBUTTONDOWN:
      return sendButton<MouseDownEvent>(source, MouseButtonLeft, lParam);
    case WM_LBUTTONUP:
      return sendButton<MouseUpEvent>(source, MouseButtonLeft, lParam);
    case WM_RBUTTONDOWN:
      return sendButton<MouseDownEvent>(source, MouseButtonRight, lParam);
    case WM_RBUTTONUP:
      return sendButton<MouseUpEvent>(source, MouseButtonRight, lParam);
    case WM_MBUTTONDOWN:
      return sendButton<MouseDownEvent>(source, MouseButtonMiddle, lParam);
    case WM_MBUTTONUP:
      return sendButton<MouseUpEvent>(source, MouseButtonMiddle, lParam);
    default:
      return std::nullopt;
  }
}

}  // namespace FB
