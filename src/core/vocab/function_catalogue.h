// The functions a mouse button can be bound to: code, language text key, name in scripts, which
// selector of the button page offers it at which item, the default per button, and a binding's
// label.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/config/config_defaults.h"
#include "core/config/device_config.h"
#include "core/vocab/display_text.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

// functionGroup: also the item of the group selector and the page of the group tab.
enum class FunctionGroup : std::uint8_t {
    defaultFunction = 0,
    mouse = 1,
    dpi = 2,
    profile = 3,
    keyboard = 4,
    media = 5,
    system = 6,
    macro = 7,
    shortcut = 8,
};

inline constexpr std::uint8_t kModifierCtrl = 1;
inline constexpr std::uint8_t kModifierShift = 2;
inline constexpr std::uint8_t kModifierAlt = 4;
inline constexpr std::uint8_t kModifierWin = 8;

// Codes of the group's selector in item order; empty for groups without one (default,
// keyboard, macro).
std::span<const std::uint8_t> selectorItems(FunctionGroup group);

// The code a selection stores; the default group gives the button's default code. nullopt for
// an item the selector does not have (including -1, "no selection").
std::optional<std::uint8_t> groupItemToCode(FunctionGroup group, int item, int button = 0);
// The item a selector shows for a stored code; 0 for a code it does not offer.
int codeToGroupItem(FunctionGroup group, std::uint8_t code);

// Button positions 0-11; positions 12-23 of the record repeat them. 0 for other positions.
std::uint8_t defaultFunctionCode(int button);

struct CatalogueFunction {
    std::uint8_t code;
    std::u16string_view textKey;
    // What qx4ctl prints and takes; scripts rely on it, so it never changes.
    std::string_view scriptName;
    // An earlier, misspelt script name that qx4ctl still takes; empty for most.
    std::string_view scriptAlias{};
};

// Every function with a label, by code.
std::span<const CatalogueFunction> functionCatalogue();
// nullptr for codes without a label (16, 17 and unknown codes).
const CatalogueFunction* catalogueFunction(std::uint8_t code);

// "left_click_text" and so on; empty for codes without one (16, 17 and unknown codes).
std::u16string_view functionTextKey(std::uint8_t code);

// "Ctrl+Shift+C": modifier texts in the order Ctrl, Shift, Alt, Windows, each followed by "+",
// then the key's name, all resolved through lookup.
std::u16string keyCombinationText(std::uint8_t modifierMask, std::uint8_t keyCode,
                                  const LanguageLookup& lookup,
                                  const KeyboardLayout& layout = usKeyboardLayout());

// The label of a button row: the composed combination (literal) for code 16, the macro's name
// (literal) for code 17, the text key for a catalogue code, empty language text otherwise.
DisplayText bindingLabel(const ButtonBinding& binding, const LanguageLookup& lookup,
                         const KeyboardLayout& layout = usKeyboardLayout());

}  // namespace qx4
