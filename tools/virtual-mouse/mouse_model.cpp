#include "mouse_model.h"

#include <algorithm>
#include <string_view>

#include "core/device/report_formats.h"

namespace qx4::vm {

namespace {

// Bytes the formats fix; a report that has anything else there was built wrongly.
struct FixedByte {
    ReportType type;
    std::size_t offset;
    std::uint8_t value;
};
inline constexpr FixedByte kFixedBytes[] = {
    {ReportType::profileSelect, 3, kProfileSelectTrailer},
    {ReportType::dpi, 49, 1},
    {ReportType::light, 10, 1},
    {ReportType::light, 11, 0},
    {ReportType::light, 12, 0},
    {ReportType::polling, 4, 0},
    {ReportType::polling, 5, 0},
    {ReportType::polling, 6, 0},
    {ReportType::polling, 7, 0},
    {ReportType::polling, 8, 0},
    {ReportType::buttons, 75, 0},
    {ReportType::buttons, 76, 0},
};

constexpr std::size_t kMacroHeaderEnd = 28;  // bytes 8-27 are zero
constexpr std::size_t kMacroPairCount = 28;

std::string checkReport(std::span<const std::uint8_t> report, const ReportFormat& format) {
    using std::to_string;
    if (report.size() != format.length) {
        return to_string(report.size()) + " bytes written, the " + format.name + " report has " +
               to_string(format.length);
    }
    if (report[1] != format.length) {
        return "length byte " + to_string(report[1]) + ", the " + format.name + " report has " +
               to_string(format.length);
    }
    const int target = report[2];
    if (format.type == ReportType::macro) {
        if (target < 1 || target > MouseModel::kMaxMacroSlot) return "macro slot " + to_string(target);
        if (report[kMacroPairCount] > kMacroReportMaxPairs) {
            return to_string(report[kMacroPairCount]) + " pairs claimed, " +
                   to_string(kMacroReportMaxPairs) + " fit";
        }
        for (std::size_t i = 8; i < kMacroHeaderEnd; ++i) {
            if (report[i] != 0) return "byte " + to_string(i) + " is not 0";
        }
    } else if (target < 1 || target > MouseModel::kProfiles) {
        return "profile " + to_string(target);
    }
    for (const auto& fixed : kFixedBytes) {
        if (fixed.type == format.type && report[fixed.offset] != fixed.value) {
            return "byte " + to_string(fixed.offset) + " is " + to_string(report[fixed.offset]) +
                   ", not " + to_string(fixed.value);
        }
    }
    if (format.type == ReportType::dpi) {
        if (report[6] != report[7]) return "the two double-range masks differ";
        if (!std::equal(report.begin() + 8, report.begin() + 16, report.begin() + 16)) {
            return "the two copies of the sensor codes differ";
        }
        if (report[24] < 1 || report[24] > 8) return "current level " + to_string(report[24]);
    }
    if (format.type == ReportType::polling) {
        const std::uint8_t interval = report[3];
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
    // The factory settings match the program's defaults, so a DPI press before the first apply
    // already walks real levels.
    constexpr std::array<int, 8> kFactoryValues{4, 8, 12, 16, 32, 40, 50, 0};
    constexpr std::array<Rgb, 8> kFactoryColors{{{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                                 {255, 0, 255}, {0, 255, 255}, {255, 255, 0},
                                                 {255, 255, 255}, {255, 255, 255}}};
    for (auto& profile : profiles_) {
        for (std::size_t i = 0; i < kFactoryValues.size(); ++i) {
            const auto index = std::min<std::size_t>(static_cast<std::size_t>(kFactoryValues[i]),
                                                     kDpiCodeTable.size() - 1);
            profile.dpi.codes[i] = kDpiCodeTable[index];
        }
        profile.dpi.colors = kFactoryColors;
    }
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
    const auto type = reportFormatForCommand(report[0])->type;
    const int target = report[2];
    const std::string where = "profile " + std::to_string(target);
    if (type == ReportType::macro) {
        MacroState& macro = macros_[target];
        macro.repeatMode = report[3];
        macro.params = {report[4], report[5], report[6]};
        macro.loopCount = report[7];
        macro.pairs.clear();
        for (int i = 0; i < report[kMacroPairCount]; ++i) {
            const std::size_t at = kMacroReportPairOffset + 2 * static_cast<std::size_t>(i);
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
        DpiSettings& dpi = profile.dpi;
        dpi.paramA = report[3];
        dpi.paramB = report[4];
        dpi.enableMask = report[5];
        dpi.doubleRangeMask = report[6];
        std::copy_n(report.begin() + 8, 8, dpi.codes.begin());
        dpi.currentLevel = report[24];
        for (std::size_t i = 0; i < 8; ++i) dpi.colors[i] = rgbAt(report, 25 + 3 * i);
        return where + " dpi, current level " + std::to_string(dpi.currentLevel);
    }
    case ReportType::light:
        profile.light = {report[3], report[4], report[5], rgbAt(report, 6), report[9]};
        return where + " lighting, mode " + std::to_string(report[3]);
    case ReportType::polling:
        profile.reportInterval = report[3];
        return where + " report interval " + std::to_string(report[3]) + " ms";
    case ReportType::buttons:
        for (std::size_t j = 0; j < profile.buttons.size(); ++j) {
            profile.buttons[j] = {report[3 + 3 * j], report[4 + 3 * j], report[5 + 3 * j]};
        }
        return where + " buttons";
    case ReportType::macro:
        break;
    }
    return {};
}

int MouseModel::pressDpiButton() {
    DpiSettings& dpi = activeState().dpi;
    for (int step = 1; step <= 8; ++step) {
        const int level = (dpi.currentLevel - 1 + step) % 8;  // 0-based
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

std::uint16_t MouseModel::sleepStatus() const {
    return static_cast<std::uint16_t>(((battery_ & 0xFF) << 8) | (asleep_ ? 0 : 1));
}

}  // namespace qx4::vm
