// Names for scripts: what qx4ctl prints and takes back for functions, keys, colours and repeat
// modes. They are plain English words that need no language file (functions by the catalogue's
// script names, keys by a column of their own), and every name printed reads back as the same
// value.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/device_config.h"

namespace qx4::commands {

// ASCII letters compared without regard to case.
bool sameWord(std::string_view a, std::string_view b);

// A catalogue function's script name: "left_click", "volume_up". Empty for codes without one.
std::string functionName(std::uint8_t code);
// The functions a selector of the button page offers, in group and item order, each once.
std::vector<std::uint8_t> offeredFunctionCodes();
// Only functions a selector offers, by script name or alias.
std::optional<std::uint8_t> offeredFunctionByName(std::string_view name);
// The group selector's items by name: "default", "mouse", "dpi", "profile", "keyboard", "media",
// "system", "macro", "shortcut"; "group N" beyond them.
std::string functionGroupName(std::uint8_t group);
// The groups whose selector offers functions, in order, with their codes in item order.
struct SelectorGroup {
    std::string_view name;
    std::span<const std::uint8_t> codes;
};
std::vector<SelectorGroup> selectorGroups();

// A key's script name (script_key_names.h); "0xNN" for a code without one.
std::string keyName(std::uint8_t code);
// Also takes "0xNN", the left-hand modifiers as "LCtrl" ... and "," for the comma.
std::optional<std::uint8_t> keyCodeByName(std::string_view name);
// Every key with a name of its own, in code order.
std::vector<std::uint8_t> namedKeyCodes();

struct KeyCombination {
    std::uint8_t modifierMask = 0;
    std::uint8_t keyCode = 0;
};
// "Ctrl+Shift+C"; "Win+" for a modifier without a key.
std::string keyCombinationName(const KeyCombination& combination);
// Modifiers "Ctrl+", "Shift+", "Alt+", "Win+" in any order, then a key name or nothing.
std::optional<KeyCombination> keyCombinationByName(std::string_view text);
// The combination a mistyped one was meant to be, each of its parts near a modifier or, last, a
// key ("ctrl+shft+c": "Ctrl+Shift+C"); nullopt when a part is near none.
std::optional<std::string> closestKeyCombination(std::string_view text);

// The repeat modes of a macro binding: "times" (its loop count), "hold", "toggle".
std::string repeatModeName(std::int32_t mode);
std::optional<std::int32_t> repeatModeByName(std::string_view name);

// What a binding does, as qx4ctl bind takes it back: a function name, a key combination,
// "macro:NAME (3 times)",
// "macro:NAME (once)", "macro:NAME (hold)", or "code N" for a code without a name.
std::string bindingText(const ButtonBinding& binding);

// "#RRGGBB"; parsing also takes it without "#".
std::string colorText(StoredColor color);
std::optional<StoredColor> colorByText(std::string_view text);

}  // namespace qx4::commands
