#include "core/device/reports.h"

#include <algorithm>

namespace qx4 {
namespace {

std::uint8_t lowByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

void putColor(FeatureReport& report, std::size_t at, StoredColor color) {
    // Stored as 0x00BBGGRR, so the low three bytes in memory order are red, green, blue.
    for (std::size_t i = 0; i < kColorSize; ++i) report.bytes[at + i] = static_cast<std::uint8_t>(color >> (8 * i));
}

FeatureReport startReport(ReportType type, std::uint8_t target) {
    const ReportFormat& format = reportFormat(type);
    FeatureReport report;
    report.type = type;
    report.length = format.length;
    report.bytes[kCommandByte] = format.command;
    report.bytes[kLengthByte] = format.length;
    report.bytes[kTargetByte] = target;
    for (const FixedBytes& fixed : kFixedBytes) {
        if (fixed.type == type) std::fill_n(report.bytes.begin() + fixed.first, fixed.count, fixed.value);
    }
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
    return startReport(ReportType::profileSelect, profileNumber(activeProfileIndex(record)));
}

FeatureReport buildDpiReport(const ProfileSettings& profile, int profileIndex) {
    using namespace dpi_report;
    FeatureReport report = startReport(ReportType::dpi, profileNumber(profileIndex));
    report.bytes[kParamA] = lowByte(profile.dpiParamA);
    report.bytes[kParamB] = lowByte(profile.dpiParamB);
    std::uint8_t enabledMask = 0;
    std::uint8_t doubleRangeMask = 0;
    for (std::size_t i = 0; i < kLevels; ++i) {
        const auto bit = static_cast<std::uint8_t>(1u << i);
        if (profile.dpiLevelEnabled[i] == 1) enabledMask |= bit;
        const DpiCode code = dpiSensorCode(profile.dpiValuesX[i]);
        if (code.doubleRange) doubleRangeMask |= bit;
        report.bytes[kSensorCodes + i] = code.code;
        report.bytes[kSensorCodesCopy + i] = code.code;  // the Y codes repeat the X codes
        putColor(report, kColors + kColorSize * i, profile.dpiColors[i]);
    }
    report.bytes[kEnabledMask] = enabledMask;
    report.bytes[kDoubleRangeMask] = doubleRangeMask;
    report.bytes[kDoubleRangeMaskCopy] = doubleRangeMask;
    report.bytes[kCurrentLevel] = lowByte(lowByte(profile.dpiLevel) + 1);
    return report;
}

FeatureReport buildLightReport(const ProfileSettings& profile, int profileIndex) {
    using namespace light_report;
    // Modes 1 and 9 carry a brightness; the others are sent at the full brightness 8.
    constexpr std::uint8_t kFixedBrightness = 8;
    FeatureReport report = startReport(ReportType::light, profileNumber(profileIndex));
    report.bytes[kMode] = lowByte(profile.lightMode);
    report.bytes[kSpeed] = lowByte(9 - lowByte(profile.lightBreathSpeed));
    const bool carriesBrightness = profile.lightMode == 1 || profile.lightMode == 9;
    report.bytes[kBrightness] = carriesBrightness ? lowByte(profile.lightBrightness) : kFixedBrightness;
    putColor(report, kColor, profile.lightColor);
    report.bytes[kExtra] = lowByte(profile.lightExtra);
    return report;
}

FeatureReport buildPollingReport(const ProfileSettings& profile, int profileIndex) {
    FeatureReport report = startReport(ReportType::polling, profileNumber(profileIndex));
    report.bytes[polling_report::kInterval] = pollingIntervalCode(profile.pollingRateIndex);
    return report;
}

FeatureReport buildButtonReport(const ProfileSettings& profile, int profileIndex,
                                const std::array<std::uint8_t, kButtonCount>& slotsOfProfile) {
    using namespace button_report;
    FeatureReport report = startReport(ReportType::buttons, profileNumber(profileIndex));
    for (std::size_t j = 0; j < kButtons; ++j) {
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
        const auto at = kTriples + kTripleSize * j;
        report.bytes[at] = wire.a;
        report.bytes[at + 1] = wire.b;
        report.bytes[at + 2] = wire.c;
    }
    return report;
}

FeatureReport buildMacroReport(const ButtonBinding& binding, std::uint8_t slot) {
    using namespace macro_report;
    FeatureReport report = startReport(ReportType::macro, slot);
    report.bytes[kRepeatMode] = lowByte(binding.macroRepeatMode);
    std::fill_n(report.bytes.begin() + kParams, kParamCount, binding.macroParam);
    const std::uint8_t loops = lowByte(binding.macroLoopCount);
    report.bytes[kLoopCount] = loops == 0 ? 1 : loops;

    std::size_t pairs = 0;
    auto writePair = [&](std::uint8_t first, std::uint8_t second) {
        if (pairs == kMaxPairs) return;
        const auto at = kPairs + 2 * pairs;
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
        if (delay > kLongDelayAboveMs) {
            if (extraPairs < kMaxExtraDelayPairs) {
                // A 16-bit delay / 200 can reach 327; the byte saturates instead of wrapping.
                writePair(static_cast<std::uint8_t>(std::min(delay / kExtraDelayUnitMs, 255)), kExtraDelayMarker);
                ++extraPairs;
            }
            delay %= kExtraDelayUnitMs;
        }
        if (delay == 0) delay = 1;
        const MacroAction& action = binding.macroActions[i];
        const auto units = static_cast<std::uint8_t>(delay / kDelayUnitMs);
        writePair(action.kind == kMacroActionPress ? units : static_cast<std::uint8_t>(units | kReleaseBit),
                  action.code);
    }
    // The count of pairs the report really carries: extra pairs can push past the 50 that fit.
    report.bytes[kPairCount] = static_cast<std::uint8_t>(pairs);
    return report;
}

}  // namespace qx4
