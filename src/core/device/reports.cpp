#include "core/device/reports.h"

#include <algorithm>

namespace qx4 {
namespace {

std::uint8_t lowByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

// Colours go out as their three low bytes in memory order: red, green, blue.
void putColor(FeatureReport& report, std::size_t at, StoredColor color) {
    report.bytes[at] = static_cast<std::uint8_t>(color & 0xFF);
    report.bytes[at + 1] = static_cast<std::uint8_t>((color >> 8) & 0xFF);
    report.bytes[at + 2] = static_cast<std::uint8_t>((color >> 16) & 0xFF);
}

FeatureReport startReport(ReportType type, std::uint8_t target) {
    const ReportFormat& format = reportFormat(type);
    FeatureReport report;
    report.type = type;
    report.length = format.length;
    report.bytes[0] = format.command;
    report.bytes[1] = format.length;
    report.bytes[2] = target;
    return report;
}

std::uint8_t profileNumber(int profileIndex) { return static_cast<std::uint8_t>(profileIndex + 1); }

}  // namespace

std::string toHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text.push_back(' ');
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

int activeProfileIndex(const DeviceConfig& record) {
    return record.activeProfile >= 0 && record.activeProfile < kProfileCount ? record.activeProfile : 0;
}

MacroSlots assignMacroSlots(const DeviceConfig& record) {
    MacroSlots slots{};
    std::uint8_t next = 1;
    for (std::size_t k = 0; k < kProfileCount; ++k) {
        for (std::size_t j = 0; j < kButtonCount; ++j) {
            if (record.profiles[k].buttons[j].functionCode == kMacroFunctionCode) slots[k][j] = next++;
        }
    }
    return slots;
}

DpiCode dpiSensorCode(std::int32_t value) {
    const bool doubleRange = value > kDpiDoubleRangeAbove;
    // Only the low byte of the value counts (halved in double range); read as unsigned, a
    // negative value lands high and is clamped like any other oversized index.
    const int index = doubleRange ? lowByte(value) / 2 : lowByte(value);
    const int lastIndex = static_cast<int>(kDpiCodeTable.size()) - 1;
    return {kDpiCodeTable[static_cast<std::size_t>(std::min(index, lastIndex))], doubleRange};
}

std::uint8_t pollingIntervalCode(std::int32_t pollingRateIndex) {
    if (pollingRateIndex < 0 || pollingRateIndex >= static_cast<std::int32_t>(kPollingIntervalCodes.size()))
        return kPollingIntervalFallback;
    return kPollingIntervalCodes[static_cast<std::size_t>(pollingRateIndex)];
}

FeatureReport buildProfileSelectReport(const DeviceConfig& record) {
    FeatureReport report =
        startReport(ReportType::profileSelect, profileNumber(activeProfileIndex(record)));
    report.bytes[3] = kProfileSelectTrailer;
    return report;
}

FeatureReport buildDpiReport(const ProfileSettings& profile, int profileIndex) {
    FeatureReport report = startReport(ReportType::dpi, profileNumber(profileIndex));
    report.bytes[3] = lowByte(profile.dpiParamA);
    report.bytes[4] = lowByte(profile.dpiParamB);
    std::uint8_t enabledMask = 0;
    std::uint8_t doubleRangeMask = 0;
    for (std::size_t i = 0; i < kDpiLevelCount; ++i) {
        const auto bit = static_cast<std::uint8_t>(1u << i);
        if (profile.dpiLevelEnabled[i] == 1) enabledMask |= bit;
        const DpiCode code = dpiSensorCode(profile.dpiValuesX[i]);
        if (code.doubleRange) doubleRangeMask |= bit;
        report.bytes[8 + i] = code.code;
        report.bytes[16 + i] = code.code;  // the Y codes repeat the X codes
    }
    report.bytes[5] = enabledMask;
    report.bytes[6] = doubleRangeMask;
    report.bytes[7] = doubleRangeMask;
    report.bytes[24] = lowByte(lowByte(profile.dpiLevel) + 1);
    for (std::size_t i = 0; i < kDpiLevelCount; ++i) putColor(report, 25 + 3 * i, profile.dpiColors[i]);
    report.bytes[49] = 1;
    return report;
}

FeatureReport buildLightReport(const ProfileSettings& profile, int profileIndex) {
    // Modes 1 and 9 carry a brightness; the others are sent at the full brightness 8.
    constexpr std::uint8_t kFixedBrightness = 8;
    FeatureReport report = startReport(ReportType::light, profileNumber(profileIndex));
    report.bytes[3] = lowByte(profile.lightMode);
    report.bytes[4] = lowByte(9 - lowByte(profile.lightBreathSpeed));
    const bool carriesBrightness = profile.lightMode == 1 || profile.lightMode == 9;
    report.bytes[5] = carriesBrightness ? lowByte(profile.lightBrightness) : kFixedBrightness;
    putColor(report, 6, profile.lightColor);
    report.bytes[9] = lowByte(profile.lightExtra);
    report.bytes[10] = 1;
    return report;
}

FeatureReport buildPollingReport(const ProfileSettings& profile, int profileIndex) {
    FeatureReport report = startReport(ReportType::polling, profileNumber(profileIndex));
    report.bytes[3] = pollingIntervalCode(profile.pollingRateIndex);
    return report;
}

FeatureReport buildButtonReport(const ProfileSettings& profile, int profileIndex,
                                const std::array<std::uint8_t, kButtonCount>& slotsOfProfile) {
    FeatureReport report = startReport(ReportType::buttons, profileNumber(profileIndex));
    for (std::size_t j = 0; j < kButtonCount; ++j) {
        const ButtonBinding& binding = profile.buttons[j];
        // The table gives A; a keystroke and a macro complete B and C from the binding.
        FunctionWire wire = functionWire(binding.functionCode);
        if (binding.functionCode == kKeyboardFunctionCode) {
            wire.b = binding.modifierMask;
            wire.c = binding.keyCode;
        } else if (binding.functionCode == kMacroFunctionCode) {
            wire.b = 0;
            wire.c = slotsOfProfile[j];
        }
        const auto at = 3 + 3 * j;
        report.bytes[at] = wire.a;
        report.bytes[at + 1] = wire.b;
        report.bytes[at + 2] = wire.c;
    }
    return report;
}

FeatureReport buildMacroReport(const ButtonBinding& binding, std::uint8_t slot) {
    constexpr std::size_t kPairCountByte = 28;
    constexpr std::uint8_t kExtraDelayMarker = 3;
    constexpr int kLongDelayAbove = 254;
    constexpr int kExtraDelayUnit = 200;
    constexpr std::uint8_t kReleaseBit = 0x80;

    FeatureReport report = startReport(ReportType::macro, slot);
    report.bytes[3] = lowByte(binding.macroRepeatMode);
    report.bytes[4] = report.bytes[5] = report.bytes[6] = binding.macroParam;
    const std::uint8_t loops = lowByte(binding.macroLoopCount);
    report.bytes[7] = loops == 0 ? 1 : loops;

    int pairs = 0;
    auto writePair = [&](std::uint8_t first, std::uint8_t second) {
        if (pairs == kMacroReportMaxPairs) return;
        const auto at = static_cast<std::size_t>(kMacroReportPairOffset + 2 * pairs);
        report.bytes[at] = first;
        report.bytes[at + 1] = second;
        ++pairs;
    };

    // A damaged record may claim more actions than a binding holds.
    const std::size_t count = std::min<std::size_t>(binding.macroActionCount, kMacroActionCapacity);
    int extraPairs = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Each pair carries the pause that precedes its action, i.e. the delay stored with the
        // previous action.
        int delay = i == 0 ? 1 : binding.macroActions[i - 1].delay;
        if (delay > kLongDelayAbove) {
            if (extraPairs < kMacroExtraDelayPairLimit) {
                // A 16-bit delay / 200 can reach 327; the byte saturates instead of wrapping.
                writePair(static_cast<std::uint8_t>(std::min(delay / kExtraDelayUnit, 255)),
                          kExtraDelayMarker);
                ++extraPairs;
            }
            delay %= kExtraDelayUnit;
        }
        if (delay == 0) delay = 1;
        const MacroAction& action = binding.macroActions[i];
        const auto half = static_cast<std::uint8_t>(delay / 2);
        writePair(action.kind == kMacroActionPress ? half : static_cast<std::uint8_t>(half | kReleaseBit),
                  action.code);
    }
    // The count of pairs the report really carries: extra pairs can push past the 50 that fit.
    report.bytes[kPairCountByte] = static_cast<std::uint8_t>(pairs);
    return report;
}

}  // namespace qx4
