// Input captured by the hook library, as it reaches the pages: a key (by its Windows virtual-key
// code) or a mouse button, pressed or released, and when it arrived. The capture service makes it
// from what the library posts (gui/common/hook_input.h).
#pragma once

#include <cstdint>

#include "core/config/device_config.h"
#include "core/vocab/display_text.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

// The library names the two side buttons by their X-button numbers.
enum class CapturedButton : std::uint8_t { left, right, middle, x1, x2 };

struct CapturedInput {
    enum class Kind : std::uint8_t { key, button };

    static CapturedInput key(std::uint32_t virtualKey, bool pressed, std::uint64_t milliseconds = 0) {
        return {Kind::key, virtualKey, CapturedButton::left, pressed, milliseconds};
    }
    static CapturedInput mouse(CapturedButton button, bool pressed, std::uint64_t milliseconds = 0) {
        return {Kind::button, 0, button, pressed, milliseconds};
    }

    bool isKey() const { return kind == Kind::key; }
    // The same key or button, the same way, whenever it came.
    bool sameAs(const CapturedInput& other) const {
        return kind == other.kind && virtualKey == other.virtualKey && button == other.button &&
               pressed == other.pressed;
    }

    Kind kind = Kind::key;
    std::uint32_t virtualKey = 0;                  // a key's
    CapturedButton button = CapturedButton::left;  // a button's
    bool pressed = true;
    std::uint64_t milliseconds = 0;  // arrival on the monotonic clock the capture stamps with
};

// The key code of a captured virtual key; 0 when the key has none.
std::uint8_t capturedKeyCode(std::uintptr_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());

// The modifier bit (kModifierCtrl ... kModifierWin) of a Ctrl, Shift, Alt or Windows key, left
// and right alike; 0 for any other key.
std::uint8_t modifierBitOf(std::uintptr_t virtualKey);

// The name of a captured virtual key, for one without a key code too, so that the user can be
// told which key could not be bound; empty where none is known.
DisplayText capturedKeyName(std::uintptr_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());

// The macro step an input stands for, its delay 0: the left, right and middle buttons and X
// buttons 2 and 1 give the mouse-button codes 241, 242, 243, 244 and 245; a key its key code.
MacroAction capturedStep(const CapturedInput& input, const KeyboardLayout& layout = usKeyboardLayout());

}  // namespace qx4
