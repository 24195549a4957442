// Numbers typed into the pages' entries. They are read as the entries always read them: blanks,
// an optional sign and the digits that follow; whatever comes after the digits is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx4 {

// 0 when the text does not start with a number; beyond the int32 range the nearest limit.
std::int32_t readDecimal(std::u16string_view text);
std::u16string decimalText(std::int64_t value);

// What an entry for a whole number from lowest to highest (0 <= lowest <= highest) holds while it
// is typed: a number of the range; unfinished (nothing yet, or digits short of lowest that more
// digits may bring into the range); or refused (anything but ASCII digits, a 0 before other
// digits or short of lowest, a number past highest).
enum class TypedNumber { withinRange, unfinished, refused };
TypedNumber typedNumber(std::u16string_view text, std::int32_t lowest, std::int32_t highest);
// The number, when the text is one of the range and nothing else.
std::optional<std::int32_t> numberWithin(std::u16string_view text, std::int32_t lowest, std::int32_t highest);

}  // namespace qx4
