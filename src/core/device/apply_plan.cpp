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

bool SectionFlags::anyButtonsChanged() const { return anyOf(buttonsChanged); }

bool SectionFlags::has(Section section) const {
    switch (section) {
    case Section::dpi: return anyOf(dpiChanged);
    case Section::light: return anyOf(lightChanged);
    case Section::polling: return anyOf(pollingChanged);
    case Section::buttons: return anyOf(buttonsChanged);
    case Section::profileSelect: break;
    }
    return false;
}

int SectionFlags::count() const {
    int flagged = 0;
    for (const auto* flags : {&dpiChanged, &lightChanged, &pollingChanged, &buttonsChanged}) {
        flagged += static_cast<int>(std::count(flags->begin(), flags->end(), true));
    }
    return flagged;
}

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

MouseSwitches MouseSwitches::of(const DeviceConfig& record) {
    const ProfileSettings& active = record.profiles[static_cast<std::size_t>(activeProfileIndex(record))];
    return {record.activeProfile, active.dpiLevel, active.pollingRateIndex, active.lightMode};
}

void MouseCopy::setBaseline(std::shared_ptr<const DeviceConfig> loaded, bool fullDownloadDue) {
    record_ = std::move(loaded);
    owed_ = {};
    fullDownloadDue_ = fullDownloadDue;
}

SectionFlags MouseCopy::due(const DeviceConfig& current, bool full) const {
    if (full || fullDownloadDue_) return SectionFlags::all();
    SectionFlags flags = compareConfigs(current, *record_);
    flags |= owed_;
    return flags;
}

SectionFlags MouseCopy::unapplied(const DeviceConfig& current) const {
    SectionFlags flags = compareConfigs(current, *record_);
    flags |= owed_;
    const int active = activeProfileIndex(current);
    const auto index = static_cast<std::size_t>(active);
    if (current.profiles[index].pollingRateIndex != record_->profiles[index].pollingRateIndex) {
        flags.mark(Section::polling, active);
    }
    return flags;
}

void MouseCopy::applied(std::shared_ptr<const DeviceConfig> sent, const SectionFlags& notApplied) {
    record_ = std::move(sent);
    owed_ = notApplied;
    fullDownloadDue_ = false;
}

void MouseCopy::mouseSwitched(const MouseSwitches& before, const DeviceConfig& current) {
    const MouseSwitches after = MouseSwitches::of(current);
    if (after == before) return;
    auto held = std::make_shared<DeviceConfig>(*record_);
    // One notification switches one thing; a new profile keeps its own settings.
    if (after.activeProfile != before.activeProfile) {
        held->activeProfile = after.activeProfile;
    } else {
        ProfileSettings& profile = held->profiles[static_cast<std::size_t>(activeProfileIndex(current))];
        if (after.dpiLevel != before.dpiLevel) profile.dpiLevel = after.dpiLevel;
        if (after.pollingRateIndex != before.pollingRateIndex) profile.pollingRateIndex = after.pollingRateIndex;
        if (after.lightMode != before.lightMode) profile.lightMode = after.lightMode;
    }
    record_ = std::move(held);
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
