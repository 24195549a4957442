#include "core/device/apply_plan.h"

#include <algorithm>
#include <cstring>

namespace qx4 {
namespace {

// Byte-wise, as the record is stored: two profiles differ in a section when any of its fields
// differs in any byte.
template <typename Field>
bool differs(const Field& a, const Field& b) {
    return std::memcmp(&a, &b, sizeof(Field)) != 0;
}

bool dpiDiffers(const ProfileSettings& a, const ProfileSettings& b) {
    return differs(a.dpiParamA, b.dpiParamA) || differs(a.dpiParamB, b.dpiParamB) ||
           differs(a.dpiLevelEnabled, b.dpiLevelEnabled) || differs(a.dpiValuesX, b.dpiValuesX) ||
           differs(a.dpiValuesY, b.dpiValuesY) || differs(a.dpiLevel, b.dpiLevel) ||
           differs(a.dpiColors, b.dpiColors);
}

bool lightDiffers(const ProfileSettings& a, const ProfileSettings& b) {
    return differs(a.lightMode, b.lightMode) || differs(a.lightBrightness, b.lightBrightness) ||
           differs(a.lightBreathSpeed, b.lightBreathSpeed) || differs(a.lightColor, b.lightColor) ||
           differs(a.lightExtra, b.lightExtra) || differs(a.lightDirection, b.lightDirection);
}

bool anyOf(const std::array<bool, kProfileCount>& flags) {
    return std::any_of(flags.begin(), flags.end(), [](bool flag) { return flag; });
}

}  // namespace

SectionFlags SectionFlags::all() {
    SectionFlags flags;
    flags.dpiChanged.fill(true);
    flags.lightChanged.fill(true);
    flags.pollingChanged.fill(true);
    flags.buttonsChanged.fill(true);
    return flags;
}

bool SectionFlags::any() const {
    return anyOf(dpiChanged) || anyOf(lightChanged) || anyOf(pollingChanged) || anyOf(buttonsChanged);
}

bool SectionFlags::anyButtonsChanged() const { return anyOf(buttonsChanged); }

void SectionFlags::mark(Section section, int profile) {
    if (profile < 0 || profile >= kProfileCount) return;
    const auto k = static_cast<std::size_t>(profile);
    switch (section) {
    case Section::dpi: dpiChanged[k] = true; break;
    case Section::light: lightChanged[k] = true; break;
    case Section::polling: pollingChanged[k] = true; break;
    case Section::buttons: buttonsChanged[k] = true; break;
    case Section::profileSelect: break;
    }
}

SectionFlags& SectionFlags::operator|=(const SectionFlags& other) {
    for (std::size_t k = 0; k < kProfileCount; ++k) {
        dpiChanged[k] = dpiChanged[k] || other.dpiChanged[k];
        lightChanged[k] = lightChanged[k] || other.lightChanged[k];
        pollingChanged[k] = pollingChanged[k] || other.pollingChanged[k];
        buttonsChanged[k] = buttonsChanged[k] || other.buttonsChanged[k];
    }
    return *this;
}

SectionFlags compareConfigs(const DeviceConfig& current, const DeviceConfig& applied) {
    SectionFlags flags;
    for (std::size_t k = 0; k < kProfileCount; ++k) {
        const ProfileSettings& now = current.profiles[k];
        const ProfileSettings& before = applied.profiles[k];
        flags.dpiChanged[k] = dpiDiffers(now, before);
        flags.lightChanged[k] = lightDiffers(now, before);
        flags.buttonsChanged[k] = differs(now.buttons, before.buttons);
    }
    return flags;
}

std::vector<PlannedReport> planApply(const DeviceConfig& record, const SectionFlags& flags) {
    std::vector<PlannedReport> plan;
    const int active = activeProfileIndex(record);
    plan.push_back({buildProfileSelectReport(record), Section::profileSelect, active});

    for (int k = 0; k < kProfileCount; ++k) {
        const auto index = static_cast<std::size_t>(k);
        const ProfileSettings& profile = record.profiles[index];
        if (flags.dpiChanged[index]) plan.push_back({buildDpiReport(profile, k), Section::dpi, k});
        if (flags.lightChanged[index]) plan.push_back({buildLightReport(profile, k), Section::light, k});
        if (flags.pollingChanged[index])
            plan.push_back({buildPollingReport(profile, k), Section::polling, k});
    }

    // Button reports name macros by slot, so the slots are handed out and the macros sent first.
    if (flags.anyButtonsChanged()) {
        const MacroSlots slots = assignMacroSlots(record);
        for (int k = 0; k < kProfileCount; ++k) {
            const auto index = static_cast<std::size_t>(k);
            for (std::size_t j = 0; j < kButtonCount; ++j) {
                if (slots[index][j] == 0) continue;
                plan.push_back({buildMacroReport(record.profiles[index].buttons[j], slots[index][j]),
                                Section::buttons, k});
            }
        }
        for (int k = 0; k < kProfileCount; ++k) {
            const auto index = static_cast<std::size_t>(k);
            plan.push_back({buildButtonReport(record.profiles[index], k, slots[index]), Section::buttons, k});
        }
    }

    plan.push_back({buildPollingReport(record.profiles[static_cast<std::size_t>(active)], active),
                    Section::polling, active});
    return plan;
}

}  // namespace qx4
