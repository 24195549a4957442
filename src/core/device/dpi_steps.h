// What a stored DPI level value makes the mouse do. The DPI report sends a table index, halved
// with the level's double-range bit above 50 and clamped to the table's end, so several stored
// values reach the mouse as the same DPI and some (0, 50, 51, 99, ...) differ from their face
// value of hundreds. The sliders offer one stored value per DPI the mouse can use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qx4 {

inline constexpr int kDpiPerHundred = 100;

// The DPI the mouse uses for a stored dpiValuesX value, whatever the value.
int effectiveDpi(std::int32_t storedValue);

// One stored value for each DPI the mouse can use, rising: 100-4,900 by 100, then 5,000-9,800 by
// 200. Each is the smallest positive value the mouse takes as that DPI.
std::span<const std::int32_t> dpiSteps();

// The DPI of the first and the last step: 100 and 9,800.
int lowestDpi();
int highestDpi();

// Index into dpiSteps() of the step the mouse treats like `storedValue`.
std::size_t dpiStepFor(std::int32_t storedValue);

}  // namespace qx4
