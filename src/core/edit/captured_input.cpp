#include "core/edit/captured_input.h"

#include <limits>

#include "core/vocab/key_codes.h"
#include "core/window_messages.h"

namespace qx4 {
namespace {

struct MouseMessage {
    std::uint32_t down;
    std::uint32_t up;
    std::intptr_t xButton;  // which X button the lParam names; 0 for the other buttons
    std::uint8_t code;
};

constexpr MouseMessage kMouseMessages[] = {
    {WM_LBUTTONDOWN, WM_LBUTTONUP, 0, kKeyCodeMouseLeft},
    {WM_RBUTTONDOWN, WM_RBUTTONUP, 0, kKeyCodeMouseRight},
    {WM_MBUTTONDOWN, WM_MBUTTONUP, 0, kKeyCodeMouseMiddle},
    {WM_XBUTTONDOWN, WM_XBUTTONUP, 2, kKeyCodeMouseBackward},
    {WM_XBUTTONDOWN, WM_XBUTTONUP, 1, kKeyCodeMouseForward},
};

}  // namespace

std::uint8_t capturedKeyCode(std::uintptr_t virtualKey, const KeyboardLayout& layout) {
    if (virtualKey > static_cast<std::uintptr_t>(std::numeric_limits<std::int32_t>::max())) return 0;
    std::int32_t keyCode = 0;
    virtualKeyToKeyCode(static_cast<std::int32_t>(virtualKey), keyCode, layout);
    return static_cast<std::uint8_t>(keyCode);
}

MacroAction capturedStep(std::uintptr_t wParam, std::intptr_t lParam, const KeyboardLayout& layout) {
    for (const MouseMessage& mouse : kMouseMessages) {
        if (wParam != mouse.down && wParam != mouse.up) continue;
        if (mouse.xButton != 0 && lParam != mouse.xButton) continue;
        return {mouse.code, wParam == mouse.down ? kMacroActionPress : kMacroActionRelease, 0};
    }
    return {capturedKeyCode(wParam, layout), lParam == 0 ? kMacroActionPress : kMacroActionRelease, 0};
}

}  // namespace qx4
