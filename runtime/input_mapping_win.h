// Windows input messages as plug-in events: the table from virtual-key codes
// to framework key codes, the modifier flags from the thread's key state,
// and the mapping of key, mouse-move and mouse-button messages shared by the
// windowed and the windowless plug-in window. Windows only; declares no
// Windows types.
//
// Thread rules: the thread that receives the messages (the browser's main
// thread); the key state read is that thread's.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/key_events.h"

namespace FB {

class PluginEventSource;

// The framework key code of a virtual-key code; KeyUnknown when it has none.
KeyCode keyCodeFromVirtualKey(unsigned virtualKey);

// ModifierShift, ModifierControl and ModifierAlt for the keys that are down
// in the calling thread's key state.
unsigned currentModifiers();

// Sends the event for WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE and the left, right
// and middle button downs and ups. Positions are the low and high words of
// lParam as signed 16-bit values. Answers std::nullopt for any other
// message, otherwise whether an observer handled the event.
std::optional<bool> sendInputEvent(PluginEventSource& source, unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam);

}  // namespace FB
