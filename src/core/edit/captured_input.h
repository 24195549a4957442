// Input captured by the hook library, as it reaches the pages: the window message of a mouse
// button or a Windows virtual key (wParam), the X button or the key's direction (lParam), and
// when it arrived.
#pragma once

#include <cstdint>

#include "core/config/device_config.h"
#include "core/vocab/display_text.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

struct CapturedInput {
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;       // keys: 0 press, anything else release
    std::uint64_t milliseconds = 0; // arrival on the monotonic clock the capture stamps with
};

// The key code of a captured virtual key; 0 when the key has none.
std::uint8_t capturedKeyCode(std::uintptr_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());

// The modifier bit (kModifierCtrl ... kModifierWin) of a Ctrl, Shift, Alt or Windows key, left
// and right alike; 0 for any other key.
std::uint8_t modifierBitOf(std::uintptr_t virtualKey);

// The name of a captured virtual key, for one without a key code too, so that the user can be
// told which key could not be bound; empty where none is known.
DisplayText capturedKeyName(std::uintptr_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());

// The macro step an input stands for, its delay 0: left, right and middle button messages and X
// buttons 2 and 1 give the mouse-button codes 241, 242, 243, 244 and 245; anything else is a key.
MacroAction capturedStep(std::uintptr_t wParam, std::intptr_t lParam,
                         const KeyboardLayout& layout = usKeyboardLayout());

}  // namespace qx4
