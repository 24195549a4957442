#include "core/vocab/key_codes.h"

#include <algorithm>
#include <string_view>

namespace qx4 {

// Each row: virtual key, key code, US scan code.
const std::array<KeyCodeRow, 111> KeyCodeTable{{
    // letters
    {0x41, 0x04, 0x1E}, {0x42, 0x05, 0x30}, {0x43, 0x06, 0x2E}, {0x44, 0x07, 0x20},
    {0x45, 0x08, 0x12}, {0x46, 0x09, 0x21}, {0x47, 0x0A, 0x22}, {0x48, 0x0B, 0x23},
    {0x49, 0x0C, 0x17}, {0x4A, 0x0D, 0x24}, {0x4B, 0x0E, 0x25}, {0x4C, 0x0F, 0x26},
    {0x4D, 0x10, 0x32}, {0x4E, 0x11, 0x31}, {0x4F, 0x12, 0x18}, {0x50, 0x13, 0x19},
    {0x51, 0x14, 0x10}, {0x52, 0x15, 0x13}, {0x53, 0x16, 0x1F}, {0x54, 0x17, 0x14},
    {0x55, 0x18, 0x16}, {0x56, 0x19, 0x2F}, {0x57, 0x1A, 0x11}, {0x58, 0x1B, 0x2D},
    {0x59, 0x1C, 0x15}, {0x5A, 0x1D, 0x2C},
    // digits 1-9, 0
    {0x31, 0x1E, 0x02}, {0x32, 0x1F, 0x03}, {0x33, 0x20, 0x04}, {0x34, 0x21, 0x05},
    {0x35, 0x22, 0x06}, {0x36, 0x23, 0x07}, {0x37, 0x24, 0x08}, {0x38, 0x25, 0x09},
    {0x39, 0x26, 0x0A}, {0x30, 0x27, 0x0B},
    // Enter, Escape, Backspace, Tab, Space
    {0x0D, 0x28, 0x1C}, {0x1B, 0x29, 0x01}, {0x08, 0x2A, 0x0E}, {0x09, 0x2B, 0x0F},
    {0x20, 0x2C, 0x39},
    // punctuation (no row for code 0x32)
    {0xBD, 0x2D, 0x0C}, {0xBB, 0x2E, 0x0D}, {0xDB, 0x2F, 0x1A}, {0xDD, 0x30, 0x1B},
    {0xDC, 0x31, 0x2B}, {0xBA, 0x33, 0x27}, {0xDE, 0x34, 0x28}, {0xC0, 0x35, 0x29},
    {0xBC, 0x36, 0x33}, {0xBE, 0x37, 0x34}, {0xBF, 0x38, 0x35},
    // Caps Lock
    {0x14, 0x39, 0x3A},
    // F1-F12
    {0x70, 0x3A, 0x3B}, {0x71, 0x3B, 0x3C}, {0x72, 0x3C, 0x3D}, {0x73, 0x3D, 0x3E},
    {0x74, 0x3E, 0x3F}, {0x75, 0x3F, 0x40}, {0x76, 0x40, 0x41}, {0x77, 0x41, 0x42},
    {0x78, 0x42, 0x43}, {0x79, 0x43, 0x44}, {0x7A, 0x44, 0x57}, {0x7B, 0x45, 0x58},
    // Print Screen, Scroll Lock, Pause, Insert, Home, Page Up, Delete, End, Page Down, arrows
    {0x2C, 0x46, 0}, {0x91, 0x47, 0}, {0x13, 0x48, 0}, {0x2D, 0x49, 0},
    {0x24, 0x4A, 0}, {0x21, 0x4B, 0}, {0x2E, 0x4C, 0}, {0x23, 0x4D, 0},
    {0x22, 0x4E, 0}, {0x27, 0x4F, 0}, {0x25, 0x50, 0}, {0x28, 0x51, 0},
    {0x26, 0x52, 0},
    // keypad (keypad Enter is 0x6C; keypad 7 precedes keypad 6), Application
    {0x90, 0x53, 0}, {0x6F, 0x54, 0}, {0x6A, 0x55, 0}, {0x6D, 0x56, 0},
    {0x6B, 0x57, 0}, {0x6C, 0x58, 0}, {0x61, 0x59, 0}, {0x62, 0x5A, 0},
    {0x63, 0x5B, 0}, {0x64, 0x5C, 0}, {0x65, 0x5D, 0}, {0x67, 0x5F, 0},
    {0x66, 0x5E, 0}, {0x68, 0x60, 0}, {0x69, 0x61, 0}, {0x60, 0x62, 0},
    {0x6E, 0x63, 0}, {0x5D, 0x65, 0},
    // left and right Ctrl, Shift, Alt, Windows
    {0xA2, 0xE0, 0}, {0xA0, 0xE1, 0}, {0xA4, 0xE2, 0}, {0x5B, 0xE3, 0},
    {0xA3, 0xE4, 0}, {0xA1, 0xE5, 0}, {0xA5, 0xE6, 0}, {0x5C, 0xE7, 0},
    // the device's own codes
    {0xF0, 0xF0, 0}, {0xF1, 0xF1, 0}, {0xF2, 0xF2, 0}, {0xF3, 0xF3, 0},
    {0xF4, 0xF4, 0}, {0xF7, 0xF7, 0}, {0xF8, 0xF8, 0},
}};

namespace {

struct NameEntry {
    std::int32_t value;
    std::u16string_view textKey;
};

// Codes 0x66-0x68 have an empty name, the same as a code without an entry.
constexpr NameEntry kNamesByKeyCode[] = {
    {0x3A, u"key_F1"}, {0x3B, u"key_F2"}, {0x3C, u"key_F3"}, {0x3D, u"key_F4"},
    {0x3E, u"key_F5"}, {0x3F, u"key_F6"}, {0x40, u"key_F7"}, {0x41, u"key_F8"},
    {0x42, u"key_F9"}, {0x43, u"key_F10"}, {0x44, u"key_F11"}, {0x45, u"key_F12"},
    {0x46, u"key_Print Scr"}, {0x47, u"key_Scroll Lock"}, {0x48, u"key_Pause"},
    {0x49, u"key_Insert"}, {0x4A, u"key_Home"}, {0x4B, u"key_Page Up"}, {0x4C, u"key_Delete"},
    {0x4D, u"key_End"}, {0x4E, u"key_Page Down"}, {0x4F, u"key_Right"}, {0x50, u"key_Left"},
    {0x51, u"key_Down"}, {0x52, u"key_Up"}, {0x53, u"key_Num Lock"}, {0x54, u"key_Num_/"},
    {0x55, u"key_Num_*"}, {0x56, u"key_Num_-"}, {0x57, u"key_Num_+"}, {0x58, u"key_Num_Enter"},
    {0x59, u"key_Num_1"}, {0x5A, u"key_Num_2"}, {0x5B, u"key_Num_3"}, {0x5C, u"key_Num_4"},
    {0x5D, u"key_Num_5"}, {0x5E, u"key_Num_6"}, {0x5F, u"key_Num_7"}, {0x60, u"key_Num_8"},
    {0x61, u"key_Num_9"}, {0x62, u"key_Num_0"}, {0x63, u"key_Num_."}, {0x64, u"key_\\"},
    {0x65, u"key_APP"}, {0x82, u"Sleep"}, {0x88, u"Kana/Roma"}, {0xDD, u"`"},
    {0xE0, u"key_LCtrl"}, {0xE1, u"key_LShift"}, {0xE2, u"key_LAlt"}, {0xE3, u"key_LWin"},
    {0xE4, u"key_RCtrl"}, {0xE5, u"key_RShift"}, {0xE6, u"key_RAlt"}, {0xE7, u"key_RWin"},
    {0xF1, u"L_Button"}, {0xF2, u"R_Button"}, {0xF3, u"M_Button"},
    {0xF4, u"Backward_Button"}, {0xF5, u"Forward_Button"},
};

constexpr NameEntry kNamesByVirtualKey[] = {
    {0x08, u"key_BackSpace"}, {0x09, u"key_Tab"}, {0x0D, u"key_Enter"},
    {0x10, u"key_LShift"}, {0xA0, u"key_LShift"}, {0x11, u"key_LCtrl"}, {0xA2, u"key_LCtrl"},
    {0x12, u"key_LAlt"}, {0xA4, u"key_LAlt"}, {0xA1, u"key_RShift"}, {0xA3, u"key_RCtrl"},
    {0xA5, u"key_RAlt"}, {0x13, u"key_Pause"}, {0x14, u"key_Caplk"}, {0xF0, u"key_Caplk"},
    {0x1B, u"key_Esc"}, {0x20, u"key_Space"}, {0x21, u"key_Page Up"}, {0x22, u"key_Page Down"},
    {0x23, u"key_End"}, {0x24, u"key_Home"}, {0x25, u"key_Left"}, {0x26, u"key_Up"},
    {0x27, u"key_Right"}, {0x28, u"key_Down"}, {0x2A, u"key_Print Scr"}, {0x2C, u"key_Print Scr"},
    {0x2D, u"key_Insert"}, {0x2E, u"key_Delete"}, {0x5B, u"key_LWin"}, {0x5C, u"key_RWin"},
    {0x5D, u"key_APP"}, {0x60, u"key_Num_0"}, {0x61, u"key_Num_1"}, {0x62, u"key_Num_2"},
    {0x63, u"key_Num_3"}, {0x64, u"key_Num_4"}, {0x65, u"key_Num_5"}, {0x66, u"key_Num_6"},
    {0x67, u"key_Num_7"}, {0x68, u"key_Num_8"}, {0x69, u"key_Num_9"}, {0x6A, u"key_Num_*"},
    {0x6B, u"key_Num_+"}, {0x6C, u"key_Num_Enter"}, {0x6D, u"key_Num_-"}, {0x6E, u"key_Num_."},
    {0x6F, u"key_Num_/"}, {0x70, u"key_F1"}, {0x71, u"key_F2"}, {0x72, u"key_F3"},
    {0x73, u"key_F4"}, {0x74, u"key_F5"}, {0x75, u"key_F6"}, {0x76, u"key_F7"},
    {0x77, u"key_F8"}, {0x78, u"key_F9"}, {0x79, u"key_F10"}, {0x7A, u"key_F11"},
    {0x7B, u"key_F12"}, {0x90, u"key_Num Lock"}, {0x91, u"key_Scroll Lock"},
};

template <std::size_t N>
const NameEntry* findName(const NameEntry (&names)[N], std::int64_t value) {
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [value](const NameEntry& entry) { return entry.value == value; });
    return found == std::end(names) ? nullptr : found;
}

template <typename Match>
const KeyCodeRow* findRow(Match match) {
    const auto found = std::find_if(KeyCodeTable.begin(), KeyCodeTable.end(), match);
    return found == KeyCodeTable.end() ? nullptr : &*found;
}

bool followsLayout(std::int32_t keyCode) {
    return keyCode >= kLayoutKeyCodeFirst && keyCode <= kLayoutKeyCodeLast;
}

}  // namespace

bool virtualKeyToKeyCode(std::int32_t virtualKey, std::int32_t& keyCode, const KeyboardLayout& layout) {
    keyCode = 0;
    const KeyCodeRow* row = findRow([virtualKey](const KeyCodeRow& r) { return r.virtualKey == virtualKey; });
    if (row == nullptr) return false;
    keyCode = row->keyCode;
    if (!followsLayout(keyCode)) return true;

    // The stored code follows the physical key: the row whose US scan code the key has. A key
    // the layout gives no scan code keeps its row's code; 0 would match the first scan-less row.
    const auto scanCode = static_cast<std::int64_t>(layout.scanCodeForVirtualKey(static_cast<std::uint32_t>(virtualKey)));
    if (scanCode == 0) return true;
    const KeyCodeRow* physical = findRow([scanCode](const KeyCodeRow& r) { return r.scanCode == scanCode; });
    if (physical != nullptr) keyCode = physical->keyCode;
    return true;
}

bool keyCodeToVirtualKey(std::int32_t keyCode, std::int32_t& virtualKey, const KeyboardLayout& layout) {
    virtualKey = 0;
    const KeyCodeRow* row = findRow([keyCode](const KeyCodeRow& r) { return r.keyCode == keyCode; });
    if (row == nullptr) return false;
    virtualKey = followsLayout(keyCode)
                     ? static_cast<std::int32_t>(layout.virtualKeyForScanCode(static_cast<std::uint32_t>(row->scanCode)))
                     : row->virtualKey;
    return true;
}

DisplayText virtualKeyName(std::uint32_t virtualKey, const KeyboardLayout& layout) {
    if (const NameEntry* name = findName(kNamesByVirtualKey, virtualKey)) {
        return {std::u16string(name->textKey), true};
    }
    std::u16string typed = layout.typedText(virtualKey);
    // Upper case as the C locale knows it: ASCII letters only.
    for (char16_t& unit : typed) {
        if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
    return {std::move(typed), false};
}

DisplayText keyCodeName(std::int32_t keyCode, const KeyboardLayout& layout) {
    if ((keyCode >= 0x04 && keyCode <= 0x39) || (keyCode >= 0xE8 && keyCode <= 0xEF)) {
        std::int32_t virtualKey = 0;
        keyCodeToVirtualKey(keyCode, virtualKey, layout);
        return virtualKeyName(static_cast<std::uint32_t>(virtualKey), layout);
    }
    if (const NameEntry* name = findName(kNamesByKeyCode, keyCode)) {
        return {std::u16string(name->textKey), true};
    }
    return {};
}

}  // namespace qx4
