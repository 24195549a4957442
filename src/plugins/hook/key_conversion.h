// Qt's keys and mouse buttons as the Windows codes the program's key tables and captures expect:
// virtual-key codes for keys (left and right modifiers apart, keypad keys apart, punctuation by
// its place on a US layout) and the WM_*BUTTON* messages with the X-button number for buttons.
#pragma once

#include <QKeyEvent>
#include <cstdint>
#include <optional>

namespace qx4::gui {

// The virtual-key code of a key event; nothing for a key Windows has no code for.
std::optional<std::uint8_t> virtualKeyFor(const QKeyEvent& event);

struct ButtonMessage {
    std::uint32_t message;  // WM_LBUTTONDOWN ... WM_XBUTTONUP
    std::intptr_t xButton;  // 1 or 2 for an X button, else 0
};
std::optional<ButtonMessage> buttonMessageFor(Qt::MouseButton button, bool pressed);

}  // namespace qx4::gui
