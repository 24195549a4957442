// Changes to a profile's DPI levels, report rate and lighting by the rules of the DPI and lighting
// pages, shared by those pages and qx4ctl. A function that returns false has changed nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/config/device_config.h"

namespace qx4 {

// The stored value of a DPI the mouse can hold (100-4,900 by 100, 5,000-9,800 by 200); nullopt for
// any other DPI.
std::optional<std::int32_t> storedValueForDpi(int dpi);
// The stored value of the DPI the mouse can hold nearest to `dpi` (the lower of two as near);
// nullopt outside lowestDpi()-highestDpi(), which no value is brought into.
std::optional<std::int32_t> nearestStoredValueForDpi(int dpi);

// Levels are 0-7. A value is stored only when it is one of dpiSteps().
bool setDpiValue(ProfileSettings& profile, int level, std::int32_t storedValue);
// The slider's position: index into dpiSteps().
bool setDpiStep(ProfileSettings& profile, int level, int step);
// Only a level that is on can be current: the mouse never steps to one that is off.
bool setCurrentDpiLevel(ProfileSettings& profile, int level);

// Whether the mouse steps to a level when its DPI button is pressed; the report sends only a
// stored 1 as on.
bool dpiLevelOn(const ProfileSettings& profile, int level);
// What keeps a level from being switched off: the mouse keeps the level it uses, and one level
// at least to use.
enum class DpiLevelLock : std::uint8_t { none, current, lastOn };
DpiLevelLock dpiLevelOffLock(const ProfileSettings& profile, int level);
// Switching a level on always succeeds; off only when nothing locks it.
bool setDpiLevelOn(ProfileSettings& profile, int level, bool on);
bool setDpiColor(ProfileSettings& profile, int level, StoredColor color);

// The report rate by its item (0-3: 125, 250, 500, 1000 Hz) or by its rate in Hz.
bool setPollingRateIndex(ProfileSettings& profile, int index);
std::optional<int> pollingRateIndexForHz(int hz);

// The lighting effects in the order of the effect selector (lightMode), with the settings each
// one uses; the others keep their stored values but change nothing the mouse shows.
struct LightEffectInfo {
    std::string_view name;  // as qx4ctl takes it: "breathing", "rainbow_wave"
    bool brightness;
    bool speed;
    bool color;
    bool direction;
};
inline constexpr std::array<LightEffectInfo, 12> kLightEffects{{
    {"off", false, false, false, false},
    {"steady", true, false, true, false},
    {"breathing", false, true, true, false},
    {"color_cycle", false, true, false, false},
    {"spectrum_breathing", false, true, false, false},
    {"rainbow", true, false, false, false},
    {"wave", false, true, false, true},
    {"neon", false, true, false, false},
    {"flicker", false, true, false, false},
    {"rainbow_wave", true, true, false, true},
    {"ripple", false, true, false, false},
    {"reactive", false, true, false, false},
}};
// nullptr for a lightMode beyond the table (a foreign file): it uses no setting.
const LightEffectInfo* lightEffect(std::int32_t lightMode);

inline constexpr int kLightLevelMin = 1;  // brightness and speed
inline constexpr int kLightLevelMax = 8;
inline constexpr std::int32_t kLightDirectionBackward = 0;
inline constexpr std::int32_t kLightDirectionForward = 1;

bool setLightEffect(ProfileSettings& profile, int lightMode);
bool setLightBrightness(ProfileSettings& profile, int brightness);
bool setLightSpeed(ProfileSettings& profile, int speed);
// Also marks the colour as chosen by the user (lightColorUntouched 0).
void setLightColor(ProfileSettings& profile, StoredColor color);
bool setLightDirection(ProfileSettings& profile, std::int32_t direction);

}  // namespace qx4
