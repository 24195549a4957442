// Which reports an apply sends, and in which order, given the record and the sections that
// differ from what the mouse already has.
#pragma once

#include <array>
#include <memory>
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
    bool anyButtonsChanged() const;
    // Whether any profile has `section` flagged.
    bool has(Section section) const;
    // Flagged sections, counting each profile's apart.
    int count() const;
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

// What the mouse can switch by itself with its own buttons: the profile, and in the active profile
// the DPI level, the report rate and the lighting mode.
struct MouseSwitches {
    std::int32_t activeProfile = 0;
    std::int32_t dpiLevel = 0;
    std::int32_t pollingRateIndex = 0;
    std::int32_t lightMode = 0;

    static MouseSwitches of(const DeviceConfig& record);
    bool operator==(const MouseSwitches&) const = default;
};

// What the mouse holds as far as applies know: the record last sent, the sections whose reports
// did not arrive since, and whether a full download is due (after loading, the mouse may hold
// anything). The worker keeps one; the UI thread keeps its own from what the worker reports.
// Both answer from the same rule, so what the window calls pending is what the next apply sends.
class MouseCopy {
public:
    MouseCopy() : record_(std::make_shared<const DeviceConfig>()) {}

    void setBaseline(std::shared_ptr<const DeviceConfig> loaded, bool fullDownloadDue);
    // What an apply of `current` sends: every section when `full` is asked for or a full download
    // is due; else the sections that differ, and those owed.
    SectionFlags due(const DeviceConfig& current, bool full) const;
    // What of `current` the mouse lacks, as the user sees it: the sections that differ and those
    // owed, and the active profile's report rate when it differs (every apply sends that rate, so
    // it is never compared for sending). A full download due after loading is no edit of the
    // user's and is left out.
    SectionFlags unapplied(const DeviceConfig& current) const;
    // An apply of `sent` ended: the mouse holds it but for `notApplied`, which stays owed.
    void applied(std::shared_ptr<const DeviceConfig> sent, const SectionFlags& notApplied);
    // The mouse switched by itself from `before` to what `current` holds; it holds those values.
    void mouseSwitched(const MouseSwitches& before, const DeviceConfig& current);

    const DeviceConfig& record() const { return *record_; }
    bool fullDownloadDue() const { return fullDownloadDue_; }

private:
    std::shared_ptr<const DeviceConfig> record_;
    SectionFlags owed_;
    bool fullDownloadDue_ = false;
};

// Profile select; per profile the flagged DPI, lighting and report-rate reports; when any buttons
// section is flagged, every macro report and then the five button reports; last the active
// profile's report rate.
std::vector<PlannedReport> planApply(const DeviceConfig& record, const SectionFlags& flags);

}  // namespace qx4
