#include "core/commands/script_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "core/commands/name_suggestion.h"
#include "core/commands/printable_text.h"
#include "core/commands/script_key_names.h"
#include "core/config/stored_color.h"
#include "core/config/utf16_text.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"

namespace qx4::commands {
namespace {

struct Modifier {
    std::uint8_t bit;
    std::string_view prefix;
};
constexpr std::array<Modifier, 4> kModifiers{{
    {kModifierCtrl, "Ctrl+"}, {kModifierShift, "Shift+"}, {kModifierAlt, "Alt+"}, {kModifierWin, "Win+"},
}};

constexpr std::array<std::string_view, 3> kRepeatModes{"times", "hold", "toggle"};

// By functionGroup value.
constexpr std::array<std::string_view, 9> kGroupNames{"default", "mouse",  "dpi",   "profile", "keyboard",
                                                      "media",   "system", "macro", "shortcut"};
constexpr std::array<FunctionGroup, 6> kSelectorGroups{FunctionGroup::mouse, FunctionGroup::dpi,
                                                       FunctionGroup::profile, FunctionGroup::media,
                                                       FunctionGroup::system, FunctionGroup::shortcut};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::optional<std::uint8_t> hexKeyCode(std::string_view name) {
    if (name.size() != 4 || !sameWord(name.substr(0, 2), "0x")) return std::nullopt;
    std::uint8_t code = 0;
    const auto [end, error] = std::from_chars(name.data() + 2, name.data() + 4, code, 16);
    if (error != std::errc{} || end != name.data() + 4) return std::nullopt;
    return code;
}

}  // namespace

bool sameWord(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

std::string functionName(std::uint8_t code) {
    const CatalogueFunction* function = catalogueFunction(code);
    return function ? std::string(function->scriptName) : std::string();
}

std::string functionGroupName(std::uint8_t group) {
    if (group < kGroupNames.size()) return std::string(kGroupNames[group]);
    return "group " + std::to_string(group);
}

std::vector<SelectorGroup> selectorGroups() {
    std::vector<SelectorGroup> groups;
    for (const FunctionGroup group : kSelectorGroups) {
        groups.push_back({kGroupNames[static_cast<std::size_t>(group)], selectorItems(group)});
    }
    return groups;
}

std::vector<std::uint8_t> offeredFunctionCodes() {
    std::vector<std::uint8_t> codes;
    for (const FunctionGroup group : kSelectorGroups) {
        for (const std::uint8_t code : selectorItems(group)) {
            if (std::ranges::find(codes, code) == codes.end()) codes.push_back(code);
        }
    }
    return codes;
}

std::optional<std::uint8_t> offeredFunctionByName(std::string_view name) {
    for (const std::uint8_t code : offeredFunctionCodes()) {
        const CatalogueFunction& function = *catalogueFunction(code);
        if (sameWord(function.scriptName, name) || (!function.scriptAlias.empty() && sameWord(function.scriptAlias, name)))
            return code;
    }
    return std::nullopt;
}

std::string keyName(std::uint8_t code) {
    for (const ScriptKeyName& key : scriptKeyNames()) {
        if (key.code == code) return std::string(key.name);
    }
    std::array<char, 8> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%02X", code);
    return hex.data();
}

std::optional<std::uint8_t> keyCodeByName(std::string_view name) {
    if (const auto code = hexKeyCode(name)) return code;
    for (const auto names : {scriptKeyNames(), scriptKeyAliases()}) {
        for (const ScriptKeyName& key : names) {
            if (sameWord(key.name, name)) return key.code;
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> namedKeyCodes() {
    std::vector<std::uint8_t> codes;
    for (const ScriptKeyName& key : scriptKeyNames()) codes.push_back(key.code);
    return codes;
}

std::string keyCombinationName(const KeyCombination& combination) {
    std::string text;
    for (const Modifier& modifier : kModifiers) {
        if ((combination.modifierMask & modifier.bit) != 0) text += modifier.prefix;
    }
    if (combination.keyCode != 0) text += keyName(combination.keyCode);
    return text;
}

std::optional<KeyCombination> keyCombinationByName(std::string_view text) {
    KeyCombination combination;
    for (bool found = true; found;) {
        found = false;
        for (const Modifier& modifier : kModifiers) {
            if (text.size() < modifier.prefix.size() || !sameWord(text.substr(0, modifier.prefix.size()), modifier.prefix))
                continue;
            combination.modifierMask |= modifier.bit;
            text.remove_prefix(modifier.prefix.size());
            found = true;
        }
    }
    if (!text.empty()) {
        const auto code = keyCodeByName(text);
        if (!code || *code == 0) return std::nullopt;
        combination.keyCode = *code;
    }
    if (combination.modifierMask == 0 && combination.keyCode == 0) return std::nullopt;
    return combination;
}

std::optional<std::string> closestKeyCombination(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('+', start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() < 2) return std::nullopt;
    std::vector<std::string_view> modifiers;
    for (const Modifier& modifier : kModifiers) modifiers.push_back(modifier.prefix.substr(0, modifier.prefix.size() - 1));
    std::vector<std::string> keyNames;
    for (const std::uint8_t code : namedKeyCodes()) keyNames.push_back(keyName(code));
    const std::vector<std::string_view> keys(keyNames.begin(), keyNames.end());
    std::string meant;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const auto& candidates = k + 1 < parts.size() ? modifiers : keys;
        const auto exact = std::ranges::find_if(candidates, [&](std::string_view name) { return sameWord(name, parts[k]); });
        const auto part = exact != candidates.end() ? std::optional(*exact) : closestName(parts[k], candidates);
        if (!part) return std::nullopt;
        meant += std::string(*part) + (k + 1 < parts.size() ? "+" : "");
    }
    return meant;
}

std::string repeatModeName(std::int32_t mode) {
    if (mode >= 0 && mode < static_cast<std::int32_t>(kRepeatModes.size())) {
        return std::string(kRepeatModes[static_cast<std::size_t>(mode)]);
    }
    return "mode " + std::to_string(mode);
}

std::optional<std::int32_t> repeatModeByName(std::string_view name) {
    const auto found = std::ranges::find_if(kRepeatModes, [name](std::string_view mode) { return sameWord(mode, name); });
    if (found == kRepeatModes.end()) return std::nullopt;
    return static_cast<std::int32_t>(found - kRepeatModes.begin());
}

std::string bindingText(const ButtonBinding& binding) {
    if (binding.functionCode == kKeyboardFunctionCode) {
        const std::string combination = keyCombinationName({binding.modifierMask, binding.keyCode});
        return combination.empty() ? std::string("keyboard (no key)") : combination;
    }
    if (binding.functionCode == kMacroFunctionCode) {
        const std::u16string_view name = fixedTextView(binding.macroName);
        if (name.empty()) return "macro (no name)";
        const int loops = std::max(binding.macroLoopCount, 1);
        const std::string repeat = binding.macroRepeatMode != 0 ? repeatModeName(binding.macroRepeatMode)
                                   : loops == 1                  ? std::string("once")
                                                                 : std::to_string(loops) + " times";
        return "macro:" + printable(name) + " (" + repeat + ")";
    }
    const std::string name = functionName(binding.functionCode);
    return name.empty() ? "code " + std::to_string(binding.functionCode) : name;
}

std::string colorText(StoredColor color) {
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "#%02X%02X%02X", storedRed(color), storedGreen(color), storedBlue(color));
    return text.data();
}

std::optional<StoredColor> colorByText(std::string_view text) {
    if (text.starts_with('#')) text.remove_prefix(1);
    if (text.size() != 6 || !std::ranges::all_of(text, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    std::uint32_t rgb = 0;
    std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    return argbToStored(rgb);
}

}  // namespace qx4::commands
