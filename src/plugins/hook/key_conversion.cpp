#include "plugins/hook/key_conversion.h"

#include <array>
#include <span>

#include "core/abi/window_messages.h"

namespace qx4::gui {

namespace {

struct KeyRow {
    int key;
    std::uint8_t virtualKey;
};

struct KeyRange {
    int first;
    int last;
    std::uint8_t firstVirtualKey;
};

// Keys that differ on the keypad; looked at first when the event carries Qt::KeypadModifier.
// Keypad Enter is 0x6C, the code the program's key table gives it.
constexpr KeyRow kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Enter, 0x6C}, {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Comma, 0x6E}, {Qt::Key_Slash, 0x6F},
};
constexpr KeyRange kKeypadRanges[] = {{Qt::Key_0, Qt::Key_9, 0x60}};

constexpr KeyRange kRanges[] = {
    {Qt::Key_A, Qt::Key_Z, 0x41},
    {Qt::Key_0, Qt::Key_9, 0x30},
    {Qt::Key_F1, Qt::Key_F24, 0x70},
};

constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09}, {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, 0x1B}, {Qt::Key_Space, 0x20}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28}, {Qt::Key_Print, 0x2C}, {Qt::Key_SysReq, 0x2C},
    {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E}, {Qt::Key_Super_L, 0x5B}, {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D}, {Qt::Key_NumLock, 0x90}, {Qt::Key_ScrollLock, 0x91}, {Qt::Key_AltGr, 0xA5},
    {Qt::Key_VolumeMute, 0xAD}, {Qt::Key_VolumeDown, 0xAE}, {Qt::Key_VolumeUp, 0xAF},
    {Qt::Key_MediaNext, 0xB0}, {Qt::Key_MediaPrevious, 0xB1}, {Qt::Key_MediaStop, 0xB2},
    {Qt::Key_MediaTogglePlayPause, 0xB3}, {Qt::Key_MediaPlay, 0xB3},
    // Shifted digits on a US layout are the digit keys.
    {Qt::Key_Exclam, 0x31}, {Qt::Key_At, 0x32}, {Qt::Key_NumberSign, 0x33}, {Qt::Key_Dollar, 0x34},
    {Qt::Key_Percent, 0x35}, {Qt::Key_AsciiCircum, 0x36}, {Qt::Key_Ampersand, 0x37},
    {Qt::Key_Asterisk, 0x38}, {Qt::Key_ParenLeft, 0x39}, {Qt::Key_ParenRight, 0x30},
    // Punctuation, plain and shifted, on a US layout (VK_OEM_*).
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA}, {Qt::Key_Equal, 0xBB}, {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE}, {Qt::Key_Slash, 0xBF}, {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB}, {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
};

// Modifiers come as one Qt key for both sides; the native key tells the side. X11 and Wayland
// give the keysym as native virtual key and the evdev code + 8 as native scan code.
struct SidedKey {
    int key;
    std::uint8_t left;
    std::uint8_t right;
    quint32 rightKeysym;
    quint32 rightScanCode;
};
constexpr SidedKey kSidedKeys[] = {
    {Qt::Key_Shift, 0xA0, 0xA1, 0xFFE2, 62},
    {Qt::Key_Control, 0xA2, 0xA3, 0xFFE4, 105},
    {Qt::Key_Alt, 0xA4, 0xA5, 0xFFEA, 108},
    {Qt::Key_Meta, 0x5B, 0x5C, 0xFFE8, 134},
};
constexpr quint32 kSuperRightKeysym = 0xFFEC;

std::optional<std::uint8_t> lookUp(int key, std::span<const KeyRow> rows, std::span<const KeyRange> ranges) {
    for (const auto& range : ranges) {
        if (key >= range.first && key <= range.last) {
            return static_cast<std::uint8_t>(range.firstVirtualKey + (key - range.first));
        }
    }
    for (const auto& row : rows) {
        if (row.key == key) return row.virtualKey;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint8_t> virtualKeyFor(const QKeyEvent& event) {
    const int key = event.key();
    for (const auto& sided : kSidedKeys) {
        if (sided.key != key) continue;
        const bool right = event.nativeVirtualKey() == sided.rightKeysym ||
                           (key == Qt::Key_Meta && event.nativeVirtualKey() == kSuperRightKeysym) ||
                           event.nativeScanCode() == sided.rightScanCode;
        return right ? sided.right : sided.left;
    }
    if (event.modifiers() & Qt::KeypadModifier) {
        if (const auto keypad = lookUp(key, kKeypadKeys, kKeypadRanges)) return keypad;
    }
    return lookUp(key, kKeys, kRanges);
}

std::optional<ButtonMessage> buttonMessageFor(Qt::MouseButton button, bool pressed) {
    struct ButtonRow {
        Qt::MouseButton button;
        std::uint32_t down;
        std::uint32_t up;
        std::intptr_t xButton;
    };
    static constexpr std::array<ButtonRow, 5> kButtons{{
        {Qt::LeftButton, WM_LBUTTONDOWN, WM_LBUTTONUP, 0},
        {Qt::RightButton, WM_RBUTTONDOWN, WM_RBUTTONUP, 0},
        {Qt::MiddleButton, WM_MBUTTONDOWN, WM_MBUTTONUP, 0},
        {Qt::BackButton, WM_XBUTTONDOWN, WM_XBUTTONUP, 1},
        {Qt::ForwardButton, WM_XBUTTONDOWN, WM_XBUTTONUP, 2},
    }};
    for (const auto& row : kButtons) {
        if (row.button == button) return ButtonMessage{pressed ? row.down : row.up, row.xButton};
    }
    return std::nullopt;
}

}  // namespace qx4::gui
