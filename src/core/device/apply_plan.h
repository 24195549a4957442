// Which reports an apply sends, and in which order, given the record and the sections that
// differ from what the mouse already has.
#pragma once

#include <array>
#include <vector>

#include "core/config/device_config.h"
#include "core/device/reports.h"

namespace qx4 {

enum class Section : std::uint8_t { profileSelect, dpi, light, polling, buttons };

struct SectionFlags {
    std::array<bool, kProfileCount> dpiChanged{};
    std::array<bool, kProfileCount> lightChanged{};
    std::array<bool, kProfileCount> pollingChanged{};
    std::array<bool, kProfileCount> buttonsChanged{};

    static SectionFlags all();
    bool any() const;
    bool anyButtonsChanged() const;
    // Marks one section of one profile; the profile-select section has no flag.
    void mark(Section section, int profile);
    SectionFlags& operator|=(const SectionFlags& other);
    bool operator==(const SectionFlags&) const = default;
};

// DPI, lighting and buttons per profile; the report rate is not compared (every apply sends the
// active profile's rate anyway).
SectionFlags compareConfigs(const DeviceConfig& current, const DeviceConfig& applied);

struct PlannedReport {
    FeatureReport report;
    Section section;
    int profile;  // the profile whose section the report carries
};

// Profile select; per profile the flagged DPI, lighting and report-rate reports; when any buttons
// section is flagged, every macro report and then the five button reports; last the active
// profile's report rate.
std::vector<PlannedReport> planApply(const DeviceConfig& record, const SectionFlags& flags);

}  // namespace qx4
