#include "core/edit/decimal_text.h"

#include <algorithm>
#include <utility>

namespace qx4 {
namespace {

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// The text's state and, unless it is refused, its value (0 for nothing).
std::pair<TypedNumber, std::int32_t> readTyped(std::u16string_view text, std::int32_t lowest, std::int32_t highest) {
    if (text.empty()) return {TypedNumber::unfinished, 0};
    if (!std::ranges::all_of(text, isDigit) || (text.size() > 1 && text.front() == u'0')) {
        return {TypedNumber::refused, 0};
    }
    // Digits only make the value grow, so reading stops as soon as it is past highest.
    std::int64_t value = 0;
    for (const char16_t digit : text) {
        value = value * 10 + (digit - u'0');
        if (value > highest) return {TypedNumber::refused, 0};
    }
    const auto number = static_cast<std::int32_t>(value);
    if (number >= lowest) return {TypedNumber::withinRange, number};
    return {number > 0 ? TypedNumber::unfinished : TypedNumber::refused, number};
}

}  // namespace

std::u16string decimalText(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

TypedNumber typedNumber(std::u16string_view text, std::int32_t lowest, std::int32_t highest) {
    return readTyped(text, lowest, highest).first;
}

std::optional<std::int32_t> numberWithin(std::u16string_view text, std::int32_t lowest, std::int32_t highest) {
    const auto [state, value] = readTyped(text, lowest, highest);
    if (state != TypedNumber::withinRange) return std::nullopt;
    return value;
}

}  // namespace qx4
