// Windows virtual keys for the keys of an X keyboard. A key is known first by its XKB name, which
// says where it sits whatever the layout. The program names keys, and the mouse replays them, as
// the keys of a US keyboard at those places; so the key in the place of the US "Q" is VK 'Q' on
// any layout, and a macro replays the key that was pressed. Keys without a place of their own
// (media keys, a key code some tool maps for a moment) go by their keysym.
#pragma once

#include <cstdint>
#include <string_view>

namespace qx4::gui {

struct PlacedKey {
    std::uint8_t virtualKey = 0;      // 0: the key has none
    std::uint8_t withoutNumLock = 0;  // the keypad's digits and point while Num Lock is off
};

// `name` is an XKB key name such as "AC01" or "KP7" (up to four characters).
PlacedKey placedKeyForName(std::string_view name);
// Letters, digits, function and media keys; 0 for any other keysym.
std::uint8_t virtualKeyForKeysym(std::uint32_t keysym);

}  // namespace qx4::gui
