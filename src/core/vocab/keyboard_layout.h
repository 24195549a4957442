// The keyboard layout queries that key-code conversion and key names need. Callers pass the
// layout on every call, so a change of layout takes effect at once.
#pragma once

#include <cstdint>
#include <string>

namespace qx4 {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // PC set-1 make code of the key that produces the virtual key; 0 when there is none.
    virtual std::uint32_t scanCodeForVirtualKey(std::uint32_t virtualKey) const = 0;
    // Virtual key of the key at a scan code; 0 when there is none.
    virtual std::uint32_t virtualKeyForScanCode(std::uint32_t scanCode) const = 0;
    // What the key types with no modifier and no lock held; empty when it types nothing.
    virtual std::u16string typedText(std::uint32_t virtualKey) const = 0;
};

// The fixed US layout: scan codes are those of the key code table, characters those of a US
// keyboard.
class UsKeyboardLayout final : public KeyboardLayout {
public:
    std::uint32_t scanCodeForVirtualKey(std::uint32_t virtualKey) const override;
    std::uint32_t virtualKeyForScanCode(std::uint32_t scanCode) const override;
    std::u16string typedText(std::uint32_t virtualKey) const override;
};

const KeyboardLayout& usKeyboardLayout();

}  // namespace qx4
