// Numbers typed into the pages' entries, and the text an entry shows for a number. An entry holds
// a whole number of its range in plain ASCII digits and nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qx4 {

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
