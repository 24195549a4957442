// How qx4ctl names what the program shows through its language file: plain English words
// derived from the language keys, so the tool needs no language file.
#pragma once

#include <string>
#include <string_view>

#include "core/config/device_config.h"

namespace qx4::cli {

// "keyboard_ctrl_text" -> "Ctrl", "key_Page Up" -> "Page Up"; other keys as they are.
std::u16string languageText(std::u16string_view key);

// What a button does: a catalogue name ("left_click"), a key combination ("Ctrl+Shift+C"),
// a macro by name, or the bare code when it has no name.
std::string buttonFunctionName(const ButtonBinding& binding);

// "#RRGGBB"
std::string colorText(StoredColor color);

}  // namespace qx4::cli
