#include "core/config/config_range.h"

#include <algorithm>

#include "core/config/config_defaults.h"

namespace qx4 {
namespace {

template <typename Value>
bool resetUnlessWithin(Value& value, long long first, long long last, Value fallback) {
    if (value >= first && value <= last) return false;
    value = fallback;
    return true;
}

template <typename Value>
bool clampTo(Value& value, Value first, Value last) {
    const Value clamped = std::clamp(value, first, last);
    if (clamped == value) return false;
    value = clamped;
    return true;
}

}  // namespace

bool normalizeBinding(ButtonBinding& binding, std::size_t macroCount) {
    bool changed = false;
    changed |= clampTo<std::uint16_t>(binding.macroActionCount, 0, kMacroActionCapacity);
    changed |= resetUnlessWithin<std::uint8_t>(binding.functionGroup, 0, kFunctionGroupCount - 1, 0);
    changed |= resetUnlessWithin(binding.macroIndex, kNoMacroIndex, static_cast<long long>(macroCount) - 1,
                                 kNoMacroIndex);
    if (binding.macroName.back() != u'\0') {
        binding.macroName.back() = u'\0';
        changed = true;
    }
    return changed;
}

bool normalizeProfile(ProfileSettings& profile, std::size_t macroCount) {
    bool changed = false;
    changed |= resetUnlessWithin(profile.dpiLevel, 0, kDpiLevelCount - 1, kDefaultDpiLevel);
    changed |= resetUnlessWithin(profile.lightDirection, 0, kLightDirectionCount - 1, kDefaultLightDirection);
    for (ButtonBinding& binding : profile.buttons) changed |= normalizeBinding(binding, macroCount);
    return changed;
}

bool normalizeConfig(DeviceConfig& config, std::size_t macroCount) {
    bool changed = resetUnlessWithin(config.activeProfile, 0, kProfileCount - 1, kDefaultActiveProfile);
    for (ProfileSettings& profile : config.profiles) changed |= normalizeProfile(profile, macroCount);
    return changed;
}

}  // namespace qx4
