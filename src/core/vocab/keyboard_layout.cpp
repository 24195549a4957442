#include "core/vocab/keyboard_layout.h"

#include <algorithm>
#include <iterator>

#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

struct TypedKey {
    std::uint32_t virtualKey;
    char16_t character;
};

// Characters of the keys that type one on a US keyboard with nothing held (letters and digits
// are their own virtual keys, lower-cased for letters).
constexpr TypedKey kUsPunctuation[] = {
    {0x20, u' '},  {0xBA, u';'}, {0xBB, u'='}, {0xBC, u','}, {0xBD, u'-'}, {0xBE, u'.'},
    {0xBF, u'/'},  {0xC0, u'`'}, {0xDB, u'['}, {0xDC, u'\\'}, {0xDD, u']'}, {0xDE, u'\''},
    {0xE2, u'\\'}, {0x0D, u'\r'}, {0x08, u'\b'}, {0x09, u'\t'}, {0x1B, u'\x1B'},
};

}  // namespace

std::uint32_t UsKeyboardLayout::scanCodeForVirtualKey(std::uint32_t virtualKey) const {
    const auto row = std::find_if(KeyCodeTable.begin(), KeyCodeTable.end(), [virtualKey](const KeyCodeRow& r) {
        return static_cast<std::uint32_t>(r.virtualKey) == virtualKey && r.scanCode != 0;
    });
    return row == KeyCodeTable.end() ? 0 : static_cast<std::uint32_t>(row->scanCode);
}

std::uint32_t UsKeyboardLayout::virtualKeyForScanCode(std::uint32_t scanCode) const {
    if (scanCode == 0) return 0;
    const auto row = std::find_if(KeyCodeTable.begin(), KeyCodeTable.end(), [scanCode](const KeyCodeRow& r) {
        return static_cast<std::uint32_t>(r.scanCode) == scanCode;
    });
    return row == KeyCodeTable.end() ? 0 : static_cast<std::uint32_t>(row->virtualKey);
}

std::u16string UsKeyboardLayout::typedText(std::uint32_t virtualKey) const {
    if (virtualKey >= u'A' && virtualKey <= u'Z') return {static_cast<char16_t>(virtualKey - u'A' + u'a')};
    if (virtualKey >= u'0' && virtualKey <= u'9') return {static_cast<char16_t>(virtualKey)};
    const auto key = std::find_if(std::begin(kUsPunctuation), std::end(kUsPunctuation),
                                  [virtualKey](const TypedKey& k) { return k.virtualKey == virtualKey; });
    if (key == std::end(kUsPunctuation)) return {};
    return {key->character};
}

const KeyboardLayout& usKeyboardLayout() {
    static const UsKeyboardLayout layout;
    return layout;
}

}  // namespace qx4
