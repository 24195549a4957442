#include "core/vocab/function_catalogue.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "core/config/utf16_text.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

// Codes 16 (keyboard combination) and 17 (macro) compose their labels; 19, 21, 47-49 and 115
// are only sent, never offered, and have no label. Script names are written out rather than cut
// from the text keys: scripts keep working when a key is renamed, and a misspelt key is no
// misspelt name.
constexpr CatalogueFunction kCatalogue[] = {
    {0, u"button_off_text", "button_off"},
    {1, u"left_click_text", "left_click"},
    {2, u"right_click_text", "right_click"},
    {3, u"wheel_click_text", "wheel_click"},
    {4, u"forward_text", "forward"},
    {5, u"backward_text", "backward"},
    {6, u"dpi_cycle_text", "dpi_cycle"},
    {7, u"dpi_up_text", "dpi_up"},
    {8, u"dpi_down_text", "dpi_down"},
    {9, u"double_click_text", "double_click"},
    {10, u"fire_button_text", "fire_button"},
    {11, u"scroll_up_text", "scroll_up"},
    {12, u"scroll_down_text", "scroll_down"},
    {13, u"titl_right_text", "tilt_right"},
    {14, u"titl_left_text", "tilt_left"},
    {22, u"easy_aim_text", "easy_aim"},
    {32, u"cut_text", "cut"},
    {33, u"copy_text", "copy"},
    {34, u"paste_text", "paste"},
    {35, u"open_text", "open"},
    {36, u"save_text", "save"},
    {37, u"find_text", "find"},
    {38, u"redo_text", "redo"},
    {39, u"undo_text", "undo"},
    {40, u"select_all_text", "select_all"},
    {41, u"print_text", "print"},
    {42, u"close_window_text", "close_window"},
    {43, u"swap_windows_text", "swap_windows"},
    {44, u"show_desktop_text", "show_desktop"},
    {45, u"run_command_text", "run_command"},
    {46, u"lock_pc_text", "lock_pc"},
    {54, u"profile_cycle_text", "profile_cycle"},
    {55, u"profile_up_text", "profile_up"},
    {56, u"profile_down_text", "profile_down"},
    {64, u"media_player_text", "media_player"},
    {65, u"play_pause_text", "play_pause"},
    {66, u"media_stop_text", "media_stop"},
    {67, u"previous_track_text", "previous_track"},
    {68, u"next_track_text", "next_track"},
    {69, u"volume_up_text", "volume_up"},
    {70, u"volume_down_text", "volume_down"},
    {71, u"mute_text", "mute"},
    {80, u"browser_home_text", "browser_home"},
    {81, u"browser_favorites_text", "browser_favorites"},
    {82, u"browser_forward_text", "browser_forward"},
    {83, u"browser_backward_text", "browser_backward"},
    {84, u"browser_stop_text", "browser_stop"},
    {85, u"browser_refresh_text", "browser_refresh"},
    {86, u"browser_search_text", "browser_search"},
    {87, u"email_text", "email"},
    {88, u"caculator_text", "calculator", "caculator"},
    {89, u"my_computer_text", "my_computer"},
    {117, u"power_text", "power"},
    {118, u"sleep_text", "sleep"},
    {119, u"wake_up_text", "wake_up"},
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

std::span<const CatalogueFunction> functionCatalogue() { return kCatalogue; }

const CatalogueFunction* catalogueFunction(std::uint8_t code) {
    const auto found = std::ranges::find(kCatalogue, code, &CatalogueFunction::code);
    return found == std::end(kCatalogue) ? nullptr : &*found;
}

std::u16string_view functionTextKey(std::uint8_t code) {
    const CatalogueFunction* function = catalogueFunction(code);
    return function ? function->textKey : std::u16string_view{};
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
