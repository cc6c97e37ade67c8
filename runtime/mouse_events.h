// The mouse events of a plug-in window: button presses and releases, moves
// and wheel turns, in the window's own coordinates, with the modifier keys
// that were down when the platform reported them.
//
// Plain values made by a plug-in window on the browser's main thread and
// passed by pointer for one delivery; any thread may create them.
#pragma once

#include "runtime/plugin_event.h"

namespace FB {

// Modifier flags: each is set when that key was down at the time of the
// platform message.
enum ModifierFlags : unsigned {
  ModifierNone = 0,
  ModifierShift = 1,
  ModifierControl = 2,
  ModifierAlt = 4,
};

enum MouseButton : int {
  MouseButtonLeft = 0,
  MouseButtonRight = 1,
  MouseButtonMiddle = 2,
};

class MouseButtonEvent : public PluginEvent {
 public:
  MouseButtonEvent(int button, int x, int y, unsigned modifiers)
      : button(button), x(x), y(y), modifiers(modifiers) {}

  int button;
  int x;
  int y;
  unsigned modifiers;
};

class MouseDownEvent : public MouseButtonEvent {
 public:
  using MouseButtonEvent::MouseButtonEvent;
};

class MouseUpEvent : public MouseButtonEvent {
 public:
  using MouseButtonEvent::MouseButtonEvent;
};

class MouseMoveEvent : public PluginEvent {
 public:
  MouseMoveEvent(int x, int y, unsigned modifiers) : x(x), y(y), modifiers(modifiers) {}

  int x;
  int y;
  unsigned modifiers;
};

// A wheel turn at (x, y). The deltas count notches (one notch is 1.0,
// finer wheels give fractions); positive deltaY turns away from the user.
class MouseScrollEvent : public PluginEvent {
 public:
  MouseScrollEvent(int x, int y, double deltaX, double deltaY, unsigned modifiers)
      : x(x), y(y), deltaX(deltaX), deltaY(deltaY), modifiers(modifiers) {}

  int x;
  int y;
  double deltaX;
  double deltaY;
  unsigned modifiers;
};

}  // namespace FB
