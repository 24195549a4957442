// What must hold of any loaded record, written out independently of the range rule, for the tests
// and the fuzz targets alike.
#pragma once

#include <string>

#include "core/config/device_config.h"

namespace qx4::test {

// The first index or count out of its range, or empty.
inline std::string firstOutOfRange(const ProfileSettings& profile, long long macroCount) {
    const auto outside = [](long long value, long long first, long long last) { return value < first || value > last; };
    if (outside(profile.dpiLevel, 0, 7)) return "dpiLevel";
    if (outside(profile.lightDirection, 0, 1)) return "lightDirection";
    for (const ButtonBinding& binding : profile.buttons) {
        if (outside(binding.functionGroup, 0, 8)) return "functionGroup";
        if (outside(binding.macroActionCount, 0, 46)) return "macroActionCount";
        if (outside(binding.macroIndex, -1, macroCount - 1)) return "macroIndex";
        if (binding.macroName.back() != u'\0') return "macroName";
    }
    return {};
}

inline std::string firstOutOfRange(const DeviceConfig& config, long long macroCount) {
    if (config.activeProfile < 0 || config.activeProfile > 4) return "activeProfile";
    for (const ProfileSettings& profile : config.profiles) {
        if (std::string field = firstOutOfRange(profile, macroCount); !field.empty()) return field;
    }
    return {};
}

}  // namespace qx4::test
