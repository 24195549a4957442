#include "core/vocab/function_catalogue.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "core/config/utf16_text.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

struct CatalogueEntry {
    std::uint8_t code;
    std::u16string_view textKey;
};

// Codes 16 (keyboard combination) and 17 (macro) compose their labels; 19, 21, 47-49 and 115
// are only sent, never offered, and have no label.
constexpr CatalogueEntry kCatalogue[] = {
    {0, u"button_off_text"},        {1, u"left_click_text"},        {2, u"right_click_text"},
    {3, u"wheel_click_text"},       {4, u"forward_text"},           {5, u"backward_text"},
    {6, u"dpi_cycle_text"},         {7, u"dpi_up_text"},            {8, u"dpi_down_text"},
    {9, u"double_click_text"},      {10, u"fire_button_text"},      {11, u"scroll_up_text"},
    {12, u"scroll_down_text"},      {13, u"titl_right_text"},       {14, u"titl_left_text"},
    {22, u"easy_aim_text"},         {32, u"cut_text"},              {33, u"copy_text"},
    {34, u"paste_text"},            {35, u"open_text"},             {36, u"save_text"},
    {37, u"find_text"},             {38, u"redo_text"},             {39, u"undo_text"},
    {40, u"select_all_text"},       {41, u"print_text"},            {42, u"close_window_text"},
    {43, u"swap_windows_text"},     {44, u"show_desktop_text"},     {45, u"run_command_text"},
    {46, u"lock_pc_text"},          {54, u"profile_cycle_text"},    {55, u"profile_up_text"},
    {56, u"profile_down_text"},     {64, u"media_player_text"},     {65, u"play_pause_text"},
    {66, u"media_stop_text"},       {67, u"previous_track_text"},   {68, u"next_track_text"},
    {69, u"volume_up_text"},        {70, u"volume_down_text"},      {71, u"mute_text"},
    {80, u"browser_home_text"},     {81, u"browser_favorites_text"}, {82, u"browser_forward_text"},
    {83, u"browser_backward_text"}, {84, u"browser_stop_text"},     {85, u"browser_refresh_text"},
    {86, u"browser_search_text"},   {87, u"email_text"},            {88, u"caculator_text"},
    {89, u"my_computer_text"},      {117, u"power_text"},           {118, u"sleep_text"},
    {119, u"wake_up_text"},
};

// Selector contents in item order.
constexpr std::array<std::uint8_t, 14> kMouseItems{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 22, 11, 12, 0};
constexpr std::array<std::uint8_t, 3> kDpiItems{6, 7, 8};
constexpr std::array<std::uint8_t, 3> kProfileItems{54, 55, 56};
constexpr std::array<std::uint8_t, 18> kMediaItems{64, 65, 66, 67, 68, 69, 70, 71, 80,
                                                   81, 82, 83, 84, 85, 86, 87, 88, 89};
constexpr std::array<std::uint8_t, 3> kSystemItems{117, 118, 119};
constexpr std::array<std::uint8_t, 15> kShortcutItems{32, 33, 34, 35, 36, 37, 38, 39,
                                                      40, 41, 42, 43, 44, 45, 46};

struct ModifierText {
    std::uint8_t bit;
    std::u16string_view textKey;
};

constexpr ModifierText kModifierTexts[] = {
    {kModifierCtrl, u"keyboard_ctrl_text"},
    {kModifierShift, u"keyboard_shift_text"},
    {kModifierAlt, u"keyboard_alt_text"},
    {kModifierWin, u"keyboard_win_text"},
};

}  // namespace

std::span<const std::uint8_t> selectorItems(FunctionGroup group) {
    switch (group) {
        case FunctionGroup::mouse: return kMouseItems;
        case FunctionGroup::dpi: return kDpiItems;
        case FunctionGroup::profile: return kProfileItems;
        case FunctionGroup::media: return kMediaItems;
        case FunctionGroup::system: return kSystemItems;
        case FunctionGroup::shortcut: return kShortcutItems;
        case FunctionGroup::defaultFunction:
        case FunctionGroup::keyboard:
        case FunctionGroup::macro: break;
    }
    return {};
}

std::optional<std::uint8_t> groupItemToCode(FunctionGroup group, int item, int button) {
    switch (group) {
        case FunctionGroup::defaultFunction: return defaultFunctionCode(button);
        case FunctionGroup::keyboard: return kKeyboardFunctionCode;
        case FunctionGroup::macro: return kMacroFunctionCode;
        default: break;
    }
    const auto items = selectorItems(group);
    if (item < 0 || static_cast<std::size_t>(item) >= items.size()) return std::nullopt;
    return items[static_cast<std::size_t>(item)];
}

int codeToGroupItem(FunctionGroup group, std::uint8_t code) {
    const auto items = selectorItems(group);
    const auto found = std::find(items.begin(), items.end(), code);
    return found == items.end() ? 0 : static_cast<int>(found - items.begin());
}

std::uint8_t defaultFunctionCode(int button) {
    if (button < 0 || button >= kButtonCount) return 0;
    return kDefaultFunctionCodes[static_cast<std::size_t>(button) % kDefaultFunctionCodes.size()];
}

std::u16string_view functionTextKey(std::uint8_t code) {
    const auto found = std::find_if(std::begin(kCatalogue), std::end(kCatalogue),
                                    [code](const CatalogueEntry& entry) { return entry.code == code; });
    return found == std::end(kCatalogue) ? std::u16string_view{} : found->textKey;
}

std::u16string keyCombinationText(std::uint8_t modifierMask, std::uint8_t keyCode,
                                  const LanguageLookup& lookup, const KeyboardLayout& layout) {
    std::u16string text;
    for (const ModifierText& modifier : kModifierTexts) {
        if ((modifierMask & modifier.bit) == 0) continue;
        text += lookup(modifier.textKey);
        text += u'+';
    }
    text += resolveText(keyCodeName(keyCode, layout), lookup);
    return text;
}

DisplayText bindingLabel(const ButtonBinding& binding, const LanguageLookup& lookup,
                         const KeyboardLayout& layout) {
    if (binding.functionCode == kKeyboardFunctionCode) {
        return {keyCombinationText(binding.modifierMask, binding.keyCode, lookup, layout), false};
    }
    if (binding.functionCode == kMacroFunctionCode) {
        return {std::u16string(fixedTextView(binding.macroName)), false};
    }
    return {std::u16string(functionTextKey(binding.functionCode)), true};
}

}  // namespace qx4
