#include "core/commands/printable_text.h"

#include <algorithm>
#include <array>

#include "core/config/utf16_text.h"

namespace qx4::commands {
namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// The control (Cc) and format (Cf) characters of Unicode 15, with the line and paragraph
// separators U+2028 and U+2029 folded into the bidi range beside them. Sorted.
constexpr std::array<CodePointRange, 22> kHiddenCharacters{{
    {0x0000, 0x001F}, {0x007F, 0x009F}, {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},
    {0x06DD, 0x06DD}, {0x070F, 0x070F}, {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},
    {0xFFF9, 0xFFFB}, {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE007F},
}};

bool isHidden(char32_t point) {
    const auto after = std::upper_bound(kHiddenCharacters.begin(), kHiddenCharacters.end(), point,
                                        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != kHiddenCharacters.begin() && point <= std::prev(after)->last;
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string printable(std::u16string_view text) {
    std::u16string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]);
        const char32_t point = pair ? 0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00)
                                    : char32_t{text[i]};
        if (isHidden(point)) {
            safe += u'\uFFFD';
        } else {
            safe += text[i];
            if (pair) safe += text[i + 1];
        }
        if (pair) ++i;
    }
    // Unpaired surrogates become U+FFFD on the way to UTF-8.
    return utf16ToUtf8(safe);
}

}  // namespace qx4::commands
