// Colours are stored as 0x00BBGGRR (red in the low byte); the toolkit and the user see RGB.
#pragma once

#include <cstdint>

#include "core/config/device_config.h"

namespace qx4 {

constexpr std::uint8_t storedRed(StoredColor color) { return static_cast<std::uint8_t>(color); }
constexpr std::uint8_t storedGreen(StoredColor color) { return static_cast<std::uint8_t>(color >> 8); }
constexpr std::uint8_t storedBlue(StoredColor color) { return static_cast<std::uint8_t>(color >> 16); }

// 0xFFRRGGBB, the toolkit's form.
constexpr std::uint32_t storedToArgb(StoredColor color) {
    return 0xFF000000u | (std::uint32_t{storedRed(color)} << 16) |
           (std::uint32_t{storedGreen(color)} << 8) | storedBlue(color);
}

// Alpha is dropped.
constexpr StoredColor argbToStored(std::uint32_t argb) {
    return ((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16);
}

static_assert(storedToArgb(0x000000FF) == 0xFFFF0000u);
static_assert(argbToStored(0x80123456) == 0x00563412u);

}  // namespace qx4
