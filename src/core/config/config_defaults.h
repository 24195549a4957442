// Default values of the configuration record, written by applyDefaults.
#pragma once

#include <array>
#include <cstdint>

#include "core/config/device_config.h"

namespace qx4 {

// Default function of button positions 0-11 (12-23 repeat them); also what a binding falls back
// to when its macro is gone.
inline constexpr std::array<std::uint8_t, kShownButtonCount> kDefaultFunctionCodes{
    1, 2, 3, 4, 5, 0, 7, 8, 0, 0, 11, 12};

inline constexpr std::int32_t kDefaultActiveProfile = 0;
inline constexpr std::int32_t kDefaultSpareValue1 = 420;
inline constexpr std::int32_t kDefaultSpareValue2 = 3;
inline constexpr std::uint8_t kDefaultSpareFlag = 0;
inline constexpr std::int32_t kDefaultSpareValue3 = 6;
inline constexpr std::int32_t kDefaultSpareValue4 = 0;
inline constexpr std::int32_t kDefaultDpiParamA = 8;
inline constexpr std::int32_t kDefaultDpiParamB = 8;
inline constexpr std::array<std::int32_t, kDpiLevelCount> kDefaultDpiValues{4, 8, 12, 16, 32, 40, 50, 0};
inline constexpr std::array<std::int32_t, kDpiLevelCount> kDefaultDpiLevelEnabled{1, 1, 1, 1, 1, 1, 1, 0};
inline constexpr std::int32_t kDefaultLightBrightness = 8;
inline constexpr std::int32_t kDefaultLightBreathSpeed = 5;
inline constexpr std::int32_t kDefaultLightExtra = 1;
inline constexpr std::int32_t kDefaultDpiLevel = 2;
inline constexpr std::int32_t kDefaultPollingRateIndex = 3;
inline constexpr std::int32_t kDefaultLightMode = 7;
inline constexpr std::uint8_t kDefaultLightColorUntouched = 1;
inline constexpr std::int32_t kDefaultLightDirection = 1;
inline constexpr StoredColor kDefaultLightColor = 0x000000FF;
inline constexpr std::array<StoredColor, kDpiLevelCount> kDefaultDpiColors{
    0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x0000FFFF, 0x00FFFFFF, 0x00FFFFFF};
inline constexpr std::array<StoredColor, kDpiLevelCount> kDefaultSpareColors{
    0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF, 0x00FFFFFF, 0x000080FF};
inline constexpr std::uint16_t kDefaultSpareWord = 562;
inline constexpr std::int32_t kNoMacroIndex = -1;
inline constexpr std::int32_t kDefaultSpareIndex = -1;

inline constexpr int kLightDirectionCount = 2;
inline constexpr int kFunctionGroupCount = 9;  // functionGroup 0..8

}  // namespace qx4
