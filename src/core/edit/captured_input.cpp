#include "core/edit/captured_input.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <limits>

#include "core/edit/decimal_text.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

// By CapturedButton.
constexpr std::uint8_t kButtonCodes[] = {kKeyCodeMouseLeft, kKeyCodeMouseRight, kKeyCodeMouseMiddle,
                                         kKeyCodeMouseForward, kKeyCodeMouseBackward};

struct ModifierKey {
    std::uintptr_t virtualKey;
    std::uint8_t bit;
};

// Both sides, and the side-less codes some sources send.
constexpr ModifierKey kModifierKeys[] = {
    {0x10, kModifierShift}, {0xA0, kModifierShift}, {0xA1, kModifierShift},
    {0x11, kModifierCtrl},  {0xA2, kModifierCtrl},  {0xA3, kModifierCtrl},
    {0x12, kModifierAlt},   {0xA4, kModifierAlt},   {0xA5, kModifierAlt},
    {0x5B, kModifierWin},   {0x5C, kModifierWin},
};

// The key beside the left Shift of ISO keyboards (< > | on a German one) has no row in the key
// code table, but a usage of its own that the key names know.
constexpr std::uintptr_t kVirtualKeyIso102 = 0xE2;
constexpr std::uint8_t kKeyCodeIso102 = 0x64;

// Keys the hook library delivers that have no key code, named so that the user learns which key
// could not be bound. Keypad 5 without Num Lock arrives as Clear.
struct UnboundKeyName {
    std::uintptr_t virtualKey;
    std::u16string_view textKey;
};
constexpr UnboundKeyName kUnboundKeyNames[] = {
    {0x0C, u"key_Num_5"},      {0xAD, u"mute_text"},       {0xAE, u"volume_down_text"},
    {0xAF, u"volume_up_text"}, {0xB0, u"next_track_text"}, {0xB1, u"previous_track_text"},
    {0xB2, u"media_stop_text"}, {0xB3, u"play_pause_text"},
};
constexpr std::uintptr_t kVirtualKeyF13 = 0x7C;
constexpr std::uintptr_t kVirtualKeyF24 = 0x87;

}  // namespace

std::uint8_t capturedKeyCode(std::uintptr_t virtualKey, const KeyboardLayout& layout) {
    if (virtualKey == kVirtualKeyIso102) return kKeyCodeIso102;
    if (virtualKey > static_cast<std::uintptr_t>(std::numeric_limits<std::int32_t>::max())) return 0;
    std::int32_t keyCode = 0;
    virtualKeyToKeyCode(static_cast<std::int32_t>(virtualKey), keyCode, layout);
    return static_cast<std::uint8_t>(keyCode);
}

std::uint8_t modifierBitOf(std::uintptr_t virtualKey) {
    const auto found = std::find_if(std::begin(kModifierKeys), std::end(kModifierKeys),
                                    [virtualKey](const ModifierKey& key) { return key.virtualKey == virtualKey; });
    return found == std::end(kModifierKeys) ? 0 : found->bit;
}

DisplayText capturedKeyName(std::uintptr_t virtualKey, const KeyboardLayout& layout) {
    if (virtualKey >= kVirtualKeyF13 && virtualKey <= kVirtualKeyF24) {
        return {u"F" + decimalText(static_cast<std::int32_t>(virtualKey - kVirtualKeyF13) + 13), false};
    }
    const auto named = std::find_if(std::begin(kUnboundKeyNames), std::end(kUnboundKeyNames),
                                    [virtualKey](const UnboundKeyName& key) { return key.virtualKey == virtualKey; });
    if (named != std::end(kUnboundKeyNames)) return {std::u16string(named->textKey), true};
    if (virtualKey > std::numeric_limits<std::uint32_t>::max()) return {};
    return virtualKeyName(static_cast<std::uint32_t>(virtualKey), layout);
}

MacroAction capturedStep(const CapturedInput& input, const KeyboardLayout& layout) {
    const std::uint8_t code = input.isKey() ? capturedKeyCode(input.virtualKey, layout)
                                            : kButtonCodes[static_cast<std::size_t>(input.button)];
    return {code, input.pressed ? kMacroActionPress : kMacroActionRelease, 0};
}

}  // namespace qx4
