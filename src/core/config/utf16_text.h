// Text in records is UTF-16 in fixed, zero-terminated arrays; terminals want UTF-8.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace qx4 {

// The text up to the first zero; an array without one reads as its first N - 1 units, as the
// last unit is the terminator's place.
template <std::size_t N>
std::u16string_view fixedTextView(const std::array<char16_t, N>& text) {
    static_assert(N > 0);
    const auto end = std::find(text.begin(), text.end() - 1, u'\0');
    return {text.data(), static_cast<std::size_t>(end - text.begin())};
}

// At most maxUnits units, cut before a surrogate pair rather than through it.
std::u16string_view shortenUtf16(std::u16string_view text, std::size_t maxUnits);

// Zero-fills the array and copies the text, shortened to N - 1 units.
template <std::size_t N>
void writeFixedText(std::array<char16_t, N>& target, std::u16string_view text) {
    static_assert(N > 0);
    target.fill(u'\0');
    const std::u16string_view fitted = shortenUtf16(text, N - 1);
    std::copy(fitted.begin(), fitted.end(), target.begin());
}

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);
// Malformed sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace qx4
