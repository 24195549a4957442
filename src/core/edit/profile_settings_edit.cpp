#include "core/edit/profile_settings_edit.h"

#include <algorithm>
#include <iterator>

#include "core/device/dpi_steps.h"
#include "core/device/report_formats.h"

namespace qx4 {
namespace {

bool isLevel(int level) { return level >= 0 && level < kDpiLevelCount; }
bool isLightLevel(int value) { return value >= kLightLevelMin && value <= kLightLevelMax; }

}  // namespace

std::optional<std::int32_t> storedValueForDpi(int dpi) {
    const auto steps = dpiSteps();
    const auto step = std::ranges::find_if(steps, [dpi](std::int32_t value) { return effectiveDpi(value) == dpi; });
    if (step == steps.end()) return std::nullopt;
    return *step;
}

std::optional<std::int32_t> nearestStoredValueForDpi(int dpi) {
    if (dpi < lowestDpi() || dpi > highestDpi()) return std::nullopt;
    const auto steps = dpiSteps();
    // The first step at or above dpi, and the one below it: whichever is nearer, the lower on a tie.
    const auto above = std::ranges::find_if(steps, [dpi](std::int32_t value) { return effectiveDpi(value) >= dpi; });
    if (above == steps.begin()) return *above;
    const auto below = std::prev(above);
    return effectiveDpi(*above) - dpi < dpi - effectiveDpi(*below) ? *above : *below;
}

bool setDpiValue(ProfileSettings& profile, int level, std::int32_t storedValue) {
    if (!isLevel(level) || std::ranges::find(dpiSteps(), storedValue) == dpiSteps().end()) return false;
    profile.dpiValuesX[static_cast<std::size_t>(level)] = storedValue;
    return true;
}

bool setDpiStep(ProfileSettings& profile, int level, int step) {
    const auto steps = dpiSteps();
    if (step < 0 || step >= static_cast<int>(steps.size())) return false;
    return setDpiValue(profile, level, steps[static_cast<std::size_t>(step)]);
}

bool setCurrentDpiLevel(ProfileSettings& profile, int level) {
    if (!dpiLevelOn(profile, level)) return false;
    profile.dpiLevel = level;
    return true;
}

bool dpiLevelOn(const ProfileSettings& profile, int level) {
    return isLevel(level) && profile.dpiLevelEnabled[static_cast<std::size_t>(level)] == 1;
}

DpiLevelLock dpiLevelOffLock(const ProfileSettings& profile, int level) {
    if (!dpiLevelOn(profile, level)) return DpiLevelLock::none;  // off already
    if (level == profile.dpiLevel) return DpiLevelLock::current;
    return std::ranges::count(profile.dpiLevelEnabled, 1) == 1 ? DpiLevelLock::lastOn : DpiLevelLock::none;
}

bool setDpiLevelOn(ProfileSettings& profile, int level, bool on) {
    if (!isLevel(level) || (!on && dpiLevelOffLock(profile, level) != DpiLevelLock::none)) return false;
    profile.dpiLevelEnabled[static_cast<std::size_t>(level)] = on ? 1 : 0;
    return true;
}

bool setDpiColor(ProfileSettings& profile, int level, StoredColor color) {
    if (!isLevel(level)) return false;
    profile.dpiColors[static_cast<std::size_t>(level)] = color & 0x00FFFFFFu;
    return true;
}

bool setPollingRateIndex(ProfileSettings& profile, int index) {
    if (index < 0 || index >= static_cast<int>(kPollingRatesHz.size())) return false;
    profile.pollingRateIndex = index;
    return true;
}

std::optional<int> pollingRateIndexForHz(int hz) {
    const auto rate = std::ranges::find(kPollingRatesHz, hz);
    if (rate == kPollingRatesHz.end()) return std::nullopt;
    return static_cast<int>(rate - kPollingRatesHz.begin());
}

const LightEffectInfo* lightEffect(std::int32_t lightMode) {
    if (lightMode < 0 || lightMode >= static_cast<std::int32_t>(kLightEffects.size())) return nullptr;
    return &kLightEffects[static_cast<std::size_t>(lightMode)];
}

bool setLightEffect(ProfileSettings& profile, int lightMode) {
    if (!lightEffect(lightMode)) return false;
    profile.lightMode = lightMode;
    return true;
}

bool setLightBrightness(ProfileSettings& profile, int brightness) {
    if (!isLightLevel(brightness)) return false;
    profile.lightBrightness = brightness;
    return true;
}

bool setLightSpeed(ProfileSettings& profile, int speed) {
    if (!isLightLevel(speed)) return false;
    profile.lightBreathSpeed = speed;
    return true;
}

void setLightColor(ProfileSettings& profile, StoredColor color) {
    profile.lightColor = color & 0x00FFFFFFu;
    profile.lightColorUntouched = 0;
}

bool setLightDirection(ProfileSettings& profile, std::int32_t direction) {
    if (direction != kLightDirectionBackward && direction != kLightDirectionForward) return false;
    profile.lightDirection = direction;
    return true;
}

}  // namespace qx4
