// A macro's steps as one line of text, for qx4ctl macro steps and macro show:
//
//   Ctrl down 20, C down 20, C up 20, Ctrl up
//
// Steps are separated by commas. Each is a key name (keyName: "C", "F5", "Page Up", "Ctrl",
// "Comma", "0x87", or a mouse button "L_Button", "R_Button", "M_Button", "Backward_Button",
// "Forward_Button"), then "down" or "up", then the pause after it in milliseconds, 0-65,535 (the
// window stores 0 when its default pause is set to 0). The last step's pause is never played: it
// may be left out, and is not shown. Words are compared without regard to case; an empty text is
// a macro without steps.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/device_config.h"

namespace qx4::commands {

std::string stepsText(std::span<const MacroAction> steps);

// nullopt, with the reason in `problem`, for a text that breaks the syntax or holds more than 46
// steps.
std::optional<std::vector<MacroAction>> parseStepsText(std::string_view text, std::string& problem);

}  // namespace qx4::commands
