// The key events of a plug-in window. Each carries the framework's key code
// (KeyCode, the same on every platform), the platform's own code for the
// key and the modifier flags of mouse_events.h.
//
// Plain values made by a plug-in window on the browser's main thread and
// passed by pointer for one delivery; any thread may create them.
#pragma once

#include "runtime/plugin_event.h"

namespace FB {

// Framework key codes, 0 to 84; KeyUnknown stands for every key that has no
// code of its own.
enum KeyCode : int {
  KeyBackspace = 0,
  KeyTab,
  KeyClear,
  KeyEnter,
  KeyShift,
  KeyControl,
  KeyAlt,
  KeyPause,
  KeyCapsLock,
  KeyEscape,
  KeySpace,
  KeyPageUp,
  KeyPageDown,
  KeyEnd,
  KeyHome,
  KeyLeft,
  KeyUp,
  KeyRight,
  KeyDown,
  KeyInsert,
  KeyDelete,
  Key0,  // Key0 + n for the digit n, 0 to 9
  KeyA = Key0 + 10,  // KeyA + n for the n-th letter, A to Z
  KeyNumpad0 = KeyA + 26,  // KeyNumpad0 + n for the keypad digit n
  KeyMultiply = KeyNumpad0 + 10,
  KeyAdd,
  KeySubtract,
  KeyDecimal,
  KeyDivide,
  KeyF1,  // KeyF1 + n - 1 for Fn, F1 to F12
  KeyUnknown = KeyF1 + 12,
};

static_assert(KeyUnknown == 84, "framework key codes run from 0 to 84");

class KeyEvent : public PluginEvent {
 public:
  KeyEvent(KeyCode keyCode, unsigned platformKeyCode, unsigned modifiers)
      : keyCode(keyCode), platformKeyCode(platformKeyCode), modifiers(modifiers) {}

  KeyCode keyCode;
  unsigned platformKeyCode;
  unsigned modifiers;
};

class KeyDownEvent : public KeyEvent {
 public:
  using KeyEvent::KeyEvent;
};

class KeyUpEvent : public KeyEvent {
 public:
  using KeyEvent::KeyEvent;
};

}  // namespace FB
