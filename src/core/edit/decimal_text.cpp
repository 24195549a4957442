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

std::u16string digitsOnly(std::u16string_view text) {
    std::u16string digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), isDigit);
    return digits;
}

}  // namespace qx4
