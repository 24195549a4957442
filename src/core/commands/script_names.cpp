#include "cli/display_names.h"

#include <array>
#include <cstdio>

#include "cli/printable_text.h"
#include "core/config/stored_color.h"
#include "core/config/utf16_text.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"

namespace qx4::cli {
namespace {

struct Word {
    std::u16string_view key;
    std::u16string_view text;
};

constexpr std::array<Word, 4> kModifierWords{{
    {u"keyboard_ctrl_text", u"Ctrl"},
    {u"keyboard_shift_text", u"Shift"},
    {u"keyboard_alt_text", u"Alt"},
    {u"keyboard_win_text", u"Win"},
}};

constexpr std::u16string_view kKeyPrefix = u"key_";
constexpr std::u16string_view kTextSuffix = u"_text";

}  // namespace

std::u16string languageText(std::u16string_view key) {
    for (const Word& word : kModifierWords) {
        if (word.key == key) return std::u16string(word.text);
    }
    if (key.starts_with(kKeyPrefix) && key.size() > kKeyPrefix.size()) {
        return std::u16string(key.substr(kKeyPrefix.size()));
    }
    return std::u16string(key);
}

std::string buttonFunctionName(const ButtonBinding& binding) {
    if (binding.functionCode == kKeyboardFunctionCode) {
        const std::u16string combination = keyCombinationText(binding.modifierMask, binding.keyCode, languageText);
        return combination.empty() ? std::string("keyboard (no key)") : printable(combination);
    }
    if (binding.functionCode == kMacroFunctionCode) {
        const std::u16string_view name = fixedTextView(binding.macroName);
        return name.empty() ? std::string("macro (no name)") : "macro \"" + printable(name) + "\"";
    }
    std::u16string_view key = functionTextKey(binding.functionCode);
    if (key.empty()) return "code " + std::to_string(binding.functionCode);
    if (key.ends_with(kTextSuffix)) key.remove_suffix(kTextSuffix.size());
    return utf16ToUtf8(key);
}

std::string colorText(StoredColor color) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02X%02X%02X", storedRed(color), storedGreen(color), storedBlue(color));
    return text.data();
}

}  // namespace qx4::cli
