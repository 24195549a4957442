#include "gui/common/hook_input.h"

#include <limits>

#include "core/abi/window_messages.h"

namespace qx4::gui {

namespace {

struct ButtonMessages {
    std::uintptr_t down;
    std::uintptr_t up;
    std::intptr_t xButton;  // the lParam that names it; 0 where lParam carries nothing
    CapturedButton button;
};

constexpr ButtonMessages kButtons[] = {
    {WM_LBUTTONDOWN, WM_LBUTTONUP, 0, CapturedButton::left},
    {WM_RBUTTONDOWN, WM_RBUTTONUP, 0, CapturedButton::right},
    {WM_MBUTTONDOWN, WM_MBUTTONUP, 0, CapturedButton::middle},
    {WM_XBUTTONDOWN, WM_XBUTTONUP, 1, CapturedButton::x1},
    {WM_XBUTTONDOWN, WM_XBUTTONUP, 2, CapturedButton::x2},
};

// The mouse's messages no row takes: the wheel, and an X button without its number.
bool untakenMouseMessage(std::uintptr_t wParam) {
    return wParam == WM_MOUSEWHEEL || wParam == WM_XBUTTONDOWN || wParam == WM_XBUTTONUP;
}

}  // namespace

std::optional<CapturedInput> capturedFromHook(std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t milliseconds) {
    for (const ButtonMessages& row : kButtons) {
        if (wParam != row.down && wParam != row.up) continue;
        if (row.xButton != 0 && lParam != row.xButton) continue;
        return CapturedInput::mouse(row.button, wParam == row.down, milliseconds);
    }
    if (untakenMouseMessage(wParam) || wParam > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return CapturedInput::key(static_cast<std::uint32_t>(wParam), lParam == 0, milliseconds);
}

}  // namespace qx4::gui
