// The mouse's one-byte key codes: USB HID keyboard usages 0x04-0xE7 and the device's own codes
// 0xF0-0xF8 (mouse buttons 0xF1-0xF5); conversion from and to Windows virtual-key codes, which is
// what the hook library delivers, and the display name of every code.
#pragma once

#include <array>
#include <cstdint>

#include "core/vocab/display_text.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

struct KeyCodeRow {
    std::int32_t virtualKey;
    std::int32_t keyCode;
    std::int32_t scanCode;  // set-1 make code on a US layout; 0 where the row has none
};

// Searched from the first row to the last; the first match wins, so the order is part of the
// table. Rows with a code in 0x04-0x45 follow the physical key position through the layout.
extern const std::array<KeyCodeRow, 111> KeyCodeTable;

inline constexpr std::int32_t kLayoutKeyCodeFirst = 0x04;
inline constexpr std::int32_t kLayoutKeyCodeLast = 0x45;

inline constexpr std::uint8_t kKeyCodeMouseLeft = 0xF1;
inline constexpr std::uint8_t kKeyCodeMouseRight = 0xF2;
inline constexpr std::uint8_t kKeyCodeMouseMiddle = 0xF3;
inline constexpr std::uint8_t kKeyCodeMouseBackward = 0xF4;
inline constexpr std::uint8_t kKeyCodeMouseForward = 0xF5;

// False, and keyCode 0, when no row has the virtual key.
bool virtualKeyToKeyCode(std::int32_t virtualKey, std::int32_t& keyCode,
                         const KeyboardLayout& layout = usKeyboardLayout());
// False, and virtualKey 0, when no row has the code.
bool keyCodeToVirtualKey(std::int32_t keyCode, std::int32_t& virtualKey,
                         const KeyboardLayout& layout = usKeyboardLayout());

// A language key from the name maps, or the layout's character(s) for the key in upper case.
DisplayText virtualKeyName(std::uint32_t virtualKey, const KeyboardLayout& layout = usKeyboardLayout());
// Letters, digits and punctuation are named after the layout; other codes by the name map;
// codes without a name give empty literal text.
DisplayText keyCodeName(std::int32_t keyCode, const KeyboardLayout& layout = usKeyboardLayout());

}  // namespace qx4
