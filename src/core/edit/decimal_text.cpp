#include "core/edit/decimal_text.h"

#include <algorithm>
#include <limits>

namespace qx4 {
namespace {

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

}  // namespace

std::int32_t readDecimal(std::u16string_view text) {
    constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();

    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

    // Saturating one past the int32 range keeps any number of digits from overflowing.
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kHigh + 1);
    }
    return static_cast<std::int32_t>(std::clamp(negative ? -magnitude : magnitude, kLow, kHigh));
}

std::u16string decimalText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

TypedNumber typedNumber(std::u16string_view text, std::int32_t lowest, std::int32_t highest) {
    if (text.empty()) return TypedNumber::unfinished;
    if (!std::ranges::all_of(text, isDigit) || (text.size() > 1 && text.front() == u'0')) return TypedNumber::refused;
    // Digits only make the value grow, so reading stops as soon as it is past highest.
    std::int64_t value = 0;
    for (const char16_t digit : text) {
        value = value * 10 + (digit - u'0');
        if (value > highest) return TypedNumber::refused;
    }
    if (value >= lowest) return TypedNumber::withinRange;
    return value > 0 ? TypedNumber::unfinished : TypedNumber::refused;
}

std::optional<std::int32_t> numberWithin(std::u16string_view text, std::int32_t lowest, std::int32_t highest) {
    if (typedNumber(text, lowest, highest) != TypedNumber::withinRange) return std::nullopt;
    return readDecimal(text);
}

}  // namespace qx4
