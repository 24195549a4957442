#include "mouse_model.h"

#include <algorithm>
#include <string_view>

#include "core/config/config_defaults.h"
#include "core/config/stored_color.h"

namespace qx4::vm {

namespace {

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

std::string checkReport(std::span<const std::uint8_t> report, const ReportFormat& format) {
    using std::to_string;
    if (report.size() != format.length) {
        return to_string(report.size()) + " bytes written, the " + format.name + " report has " +
               to_string(format.length);
    }
    if (report[kLengthByte] != format.length) {
        return "length byte " + to_string(report[kLengthByte]) + ", the " + format.name + " report has " +
               to_string(format.length);
    }
    const int target = report[kTargetByte];
    if (format.type == ReportType::macro) {
        if (!inRange(target, 1, macro_report::kMaxSlot)) return "macro slot " + to_string(target);
        const std::uint8_t pairs = report[macro_report::kPairCount];
        if (pairs > macro_report::kMaxPairs) {
            return to_string(pairs) + " pairs claimed, " + to_string(macro_report::kMaxPairs) + " fit";
        }
    } else if (!inRange(target, kFirstProfileNumber, kLastProfileNumber)) {
        return "profile " + to_string(target);
    }
    for (const FixedBytes& fixed : kFixedBytes) {
        if (fixed.type != format.type) continue;
        for (std::size_t at = fixed.first; at < fixed.first + fixed.count; ++at) {
            if (report[at] != fixed.value) {
                return "byte " + to_string(at) + " is " + to_string(report[at]) + ", not " + to_string(fixed.value);
            }
        }
    }
    if (format.type == ReportType::dpi) {
        using namespace dpi_report;
        if (report[kDoubleRangeMask] != report[kDoubleRangeMaskCopy]) return "the two double-range masks differ";
        const auto codes = report.subspan(kSensorCodes, kLevels);
        if (!std::equal(codes.begin(), codes.end(), report.begin() + kSensorCodesCopy)) {
            return "the two copies of the sensor codes differ";
        }
        if (!inRange(report[kCurrentLevel], 1, kDpiLevelCount)) return "current level " + to_string(report[kCurrentLevel]);
    }
    if (format.type == ReportType::polling) {
        const std::uint8_t interval = report[polling_report::kInterval];
        if (std::find(kPollingIntervalCodes.begin(), kPollingIntervalCodes.end(), interval) ==
            kPollingIntervalCodes.end()) {
            return "report interval " + to_string(interval);
        }
    }
    return {};
}

Rgb rgbAt(std::span<const std::uint8_t> report, std::size_t offset) {
    return {report[offset], report[offset + 1], report[offset + 2]};
}

// The factory settings are the program's defaults, so a DPI press before the first apply already
// walks real levels.
DpiSettings factoryDpi() {
    // In the single range a value in hundreds is its index in the code table, clamped to the last.
    static_assert(std::ranges::all_of(kDefaultDpiValues, [](std::int32_t value) {
        return value >= 0 && value <= kDpiDoubleRangeAbove;
    }));
    DpiSettings dpi;
    dpi.paramA = static_cast<std::uint8_t>(kDefaultDpiParamA);
    dpi.paramB = static_cast<std::uint8_t>(kDefaultDpiParamB);
    dpi.currentLevel = static_cast<std::uint8_t>(kDefaultDpiLevel + 1);
    for (std::size_t i = 0; i < dpi_report::kLevels; ++i) {
        if (kDefaultDpiLevelEnabled[i] == 1) dpi.enableMask = static_cast<std::uint8_t>(dpi.enableMask | (1u << i));
        const auto index = std::min(static_cast<std::size_t>(kDefaultDpiValues[i]), kDpiCodeTable.size() - 1);
        dpi.codes[i] = kDpiCodeTable[index];
        const StoredColor color = kDefaultDpiColors[i];
        dpi.colors[i] = {storedRed(color), storedGreen(color), storedBlue(color)};
    }
    return dpi;
}

}  // namespace

int dpiForCode(std::uint8_t code, bool doubleRange) {
    int index = -1;
    for (std::size_t i = 0; i < kDpiCodeTable.size(); ++i) {
        if (kDpiCodeTable[i] == code) index = static_cast<int>(i);
    }
    if (index < 0) return 0;
    return index * 100 * (doubleRange ? 2 : 1);
}

MouseModel::MouseModel(Start start)
    : receiver_(start.receiver), cable_(start.cable), asleep_(start.asleep), battery_(start.battery) {
    for (auto& profile : profiles_) profile.dpi = factoryDpi();
}

ReportOutcome MouseModel::receiveReport(Link link, std::span<const std::uint8_t> report) {
    if (!plugged(link)) return {Verdict::unreachable, std::string(linkName(link)) + " is unplugged"};
    if (link == Link::receiver && asleep_) return {Verdict::unreachable, "the mouse is asleep"};
    const auto format = report.empty() ? std::nullopt : reportFormatForCommand(report[0]);
    std::string problem = !format ? "unknown command" : checkReport(report, *format);
    if (!problem.empty()) {
        ++rejected_;
        return {Verdict::rejected, std::move(problem)};
    }
    ++accepted_;
    return {Verdict::accepted, decode(report)};
}

std::string MouseModel::decode(std::span<const std::uint8_t> report) {
    const auto type = reportFormatForCommand(report[kCommandByte])->type;
    const int target = report[kTargetByte];
    const std::string where = "profile " + std::to_string(target);
    if (type == ReportType::macro) {
        using namespace macro_report;
        MacroState& macro = macros_[target];
        macro.repeatMode = report[kRepeatMode];
        std::copy_n(report.begin() + kParams, kParamCount, macro.params.begin());
        macro.loopCount = report[kLoopCount];
        macro.pairs.clear();
        for (std::size_t i = 0; i < report[kPairCount]; ++i) {
            const std::size_t at = kPairs + 2 * i;
            macro.pairs.emplace_back(report[at], report[at + 1]);
        }
        return "macro slot " + std::to_string(target) + ": " + std::to_string(macro.pairs.size()) +
               " pairs";
    }
    ProfileState& profile = profiles_[target - 1];
    switch (type) {
    case ReportType::profileSelect:
        activeProfile_ = target;
        return "active profile " + std::to_string(target);
    case ReportType::dpi: {
        using namespace dpi_report;
        DpiSettings& dpi = profile.dpi;
        dpi.paramA = report[kParamA];
        dpi.paramB = report[kParamB];
        dpi.enableMask = report[kEnabledMask];
        dpi.doubleRangeMask = report[kDoubleRangeMask];
        std::copy_n(report.begin() + kSensorCodes, kLevels, dpi.codes.begin());
        dpi.currentLevel = report[kCurrentLevel];
        for (std::size_t i = 0; i < kLevels; ++i) dpi.colors[i] = rgbAt(report, kColors + kColorSize * i);
        return where + " dpi, current level " + std::to_string(dpi.currentLevel);
    }
    case ReportType::light: {
        using namespace light_report;
        profile.light = {report[kMode], report[kSpeed], report[kBrightness], rgbAt(report, kColor), report[kExtra]};
        return where + " lighting, mode " + std::to_string(report[kMode]);
    }
    case ReportType::polling:
        profile.reportInterval = report[polling_report::kInterval];
        return where + " report interval " + std::to_string(profile.reportInterval) + " ms";
    case ReportType::buttons: {
        using namespace button_report;
        for (std::size_t j = 0; j < kButtons; ++j) {
            const std::size_t at = kTriples + kTripleSize * j;
            profile.buttons[j] = {report[at], report[at + 1], report[at + 2]};
        }
        return where + " buttons";
    }
    case ReportType::macro:
        break;
    }
    return {};
}

int MouseModel::pressDpiButton() {
    DpiSettings& dpi = activeState().dpi;
    for (int step = 1; step <= kDpiLevelCount; ++step) {
        const int level = (dpi.currentLevel - 1 + step) % kDpiLevelCount;  // 0-based
        if (dpi.enableMask & (1u << level)) {
            dpi.currentLevel = static_cast<std::uint8_t>(level + 1);
            break;
        }
    }
    return dpi.currentLevel;
}

int MouseModel::pressProfileButton() {
    activeProfile_ = activeProfile_ % kProfiles + 1;
    return activeProfile_;
}

void MouseModel::setPlugged(Link link, bool plugged) {
    (link == Link::cable ? cable_ : receiver_) = plugged;
}

std::optional<Link> MouseModel::notificationLink() const {
    if (receiver_) return Link::receiver;
    if (cable_) return Link::cable;
    return std::nullopt;
}

}  // namespace qx4::vm
