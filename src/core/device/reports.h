// The six feature reports, built byte for byte from the record. Builders only read the record;
// the layouts themselves are in report_formats.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "core/config/device_config.h"
#include "core/device/report_formats.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {

struct FeatureReport {
    ReportType type{};
    std::uint8_t length = 0;  // bytes passed to SetFeature
    std::array<std::uint8_t, kMaxReportLength> bytes{};

    std::span<const std::uint8_t> view() const { return {bytes.data(), length}; }
};

// Lower-case hex bytes separated by single spaces: "0c 04 01 05".
std::string toHex(std::span<const std::uint8_t> bytes);

// Slot of the macro sent for each binding that holds one (0 for none), numbered 1, 2, 3 ... across
// profiles 0-4 and buttons 0-23 in that order (function code kMacroFunctionCode).
using MacroSlots = std::array<std::array<std::uint8_t, kButtonCount>, kProfileCount>;
MacroSlots assignMacroSlots(const DeviceConfig& record);

// The active profile as an index; a damaged value falls back to profile 1 rather than reaching
// past the five blocks.
int activeProfileIndex(const DeviceConfig& record);

// Sensor code for a level value in hundreds of DPI; doubleRange tells whether the level uses the
// double-range mode (value above 50).
struct DpiCode {
    std::uint8_t code;
    bool doubleRange;
};
DpiCode dpiSensorCode(std::int32_t value);
std::uint8_t pollingIntervalCode(std::int32_t pollingRateIndex);

FeatureReport buildProfileSelectReport(const DeviceConfig& record);
FeatureReport buildDpiReport(const ProfileSettings& profile, int profileIndex);
FeatureReport buildLightReport(const ProfileSettings& profile, int profileIndex);
FeatureReport buildPollingReport(const ProfileSettings& profile, int profileIndex);
FeatureReport buildButtonReport(const ProfileSettings& profile, int profileIndex,
                                const std::array<std::uint8_t, kButtonCount>& slotsOfProfile);
FeatureReport buildMacroReport(const ButtonBinding& binding, std::uint8_t slot);

}  // namespace qx4
