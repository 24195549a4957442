// Numbers typed into the pages' entries. They are read as the entries always read them: blanks,
// an optional sign and the digits that follow; whatever comes after the digits is ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qx4 {

// 0 when the text does not start with a number; beyond the int32 range the nearest limit.
std::int32_t readDecimal(std::u16string_view text);
std::u16string decimalText(std::int64_t value);
// The text without anything that is not an ASCII digit.
std::u16string digitsOnly(std::u16string_view text);

}  // namespace qx4
