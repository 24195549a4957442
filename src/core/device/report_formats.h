// The mouse's feature reports byte by byte: command, length, where each field sits and which bytes
// are fixed. The encoders (reports.cpp) and the virtual mouse's decoder both read this one
// description; the tests hold both to report bytes written out by hand, so the two cannot agree on
// a mistake here unnoticed.
//
// Some bytes have no known meaning to the firmware; they are sent as they always were, and the
// comments beside them say so.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/config/device_config.h"

namespace qx4 {

enum class ReportType : std::uint8_t { profileSelect, dpi, light, polling, buttons, macro };

struct ReportFormat {
    ReportType type;
    std::uint8_t command;
    std::uint8_t length;  // bytes written, and the value of the length byte
    const char* name;
};

inline constexpr std::array<ReportFormat, 6> kReportFormats{{
    {ReportType::profileSelect, 0x0C, 4, "profile-select"},
    {ReportType::dpi, 0x04, 50, "dpi"},
    {ReportType::light, 0x05, 13, "light"},
    {ReportType::polling, 0x06, 9, "polling"},
    {ReportType::buttons, 0x08, 77, "buttons"},
    {ReportType::macro, 0x09, 129, "macro"},
}};

constexpr const ReportFormat& reportFormat(ReportType type) {
    return kReportFormats[static_cast<std::size_t>(type)];
}

constexpr std::optional<ReportFormat> reportFormatForCommand(std::uint8_t command) {
    for (const auto& format : kReportFormats) {
        if (format.command == command) return format;
    }
    return std::nullopt;
}

inline constexpr std::size_t kMaxReportLength =
    std::max_element(kReportFormats.begin(), kReportFormats.end(), [](const auto& a, const auto& b) {
        return a.length < b.length;
    })->length;

// The header every report starts with.
inline constexpr std::size_t kCommandByte = 0;
inline constexpr std::size_t kLengthByte = 1;
inline constexpr std::size_t kTargetByte = 2;  // profile number 1-5, or the macro slot

inline constexpr int kFirstProfileNumber = 1;
inline constexpr int kLastProfileNumber = kProfileCount;

// Colours go out as three bytes: red, green, blue.
inline constexpr std::size_t kColorSize = 3;

namespace dpi_report {
inline constexpr std::size_t kParamA = 3;               // meaning unknown: dpiParamA's low byte
inline constexpr std::size_t kParamB = 4;               // meaning unknown: dpiParamB's low byte
inline constexpr std::size_t kEnabledMask = 5;          // bit i: level i + 1 is enabled
inline constexpr std::size_t kDoubleRangeMask = 6;      // bit i: level i + 1 runs in double range
inline constexpr std::size_t kDoubleRangeMaskCopy = 7;  // the same again; why twice is unknown
inline constexpr std::size_t kSensorCodes = 8;          // one per level
inline constexpr std::size_t kSensorCodesCopy = 16;     // the same again; why twice is unknown
inline constexpr std::size_t kCurrentLevel = 24;        // 1-8
inline constexpr std::size_t kColors = 25;              // one colour per level
inline constexpr std::size_t kTrailer = 49;             // always 1, meaning unknown
inline constexpr std::size_t kLevels = kDpiLevelCount;
static_assert(kSensorCodesCopy == kSensorCodes + kLevels && kCurrentLevel == kSensorCodesCopy + kLevels);
static_assert(kTrailer == kColors + kColorSize * kLevels);
}  // namespace dpi_report

namespace light_report {
inline constexpr std::size_t kMode = 3;
inline constexpr std::size_t kSpeed = 4;  // 9 - lightBreathSpeed
inline constexpr std::size_t kBrightness = 5;
inline constexpr std::size_t kColor = 6;
inline constexpr std::size_t kExtra = 9;     // meaning unknown: lightExtra's low byte
inline constexpr std::size_t kTrailer = 10;  // always 1, meaning unknown
static_assert(kExtra == kColor + kColorSize && kTrailer == kExtra + 1);
}  // namespace light_report

namespace polling_report {
inline constexpr std::size_t kInterval = 3;
}  // namespace polling_report

namespace button_report {
inline constexpr std::size_t kTriples = 3;  // A, B, C for each button
inline constexpr std::size_t kTripleSize = 3;
inline constexpr std::size_t kButtons = kButtonCount;
inline constexpr std::size_t kPadding = kTriples + kTripleSize * kButtons;
}  // namespace button_report

namespace macro_report {
inline constexpr std::size_t kRepeatMode = 3;
inline constexpr std::size_t kParams = 4;  // macroParam, three times; meaning unknown
inline constexpr std::size_t kParamCount = 3;
inline constexpr std::size_t kLoopCount = 7;
inline constexpr std::size_t kReserved = 8;  // reserved: zero up to kPairCount
inline constexpr std::size_t kPairCount = 28;
inline constexpr std::size_t kPairs = 29;  // (first, second) byte pairs
inline constexpr std::size_t kMaxPairs = 50;
inline constexpr int kMaxSlot = kProfileCount * kButtonCount;
static_assert(kLoopCount == kParams + kParamCount);

// A pair is (delay / kDelayUnitMs with kReleaseBit unless the step is a press, key code), or an
// extra delay pair (delay / kExtraDelayUnitMs, kExtraDelayMarker) in front of a step whose pause
// is too long for one byte.
inline constexpr int kDelayUnitMs = 2;
inline constexpr std::uint8_t kReleaseBit = 0x80;
inline constexpr std::uint8_t kExtraDelayMarker = 3;
inline constexpr int kExtraDelayUnitMs = 200;
inline constexpr int kLongDelayAboveMs = 254;
inline constexpr int kMaxExtraDelayPairs = 10;
}  // namespace macro_report

inline constexpr std::uint8_t kProfileSelectTrailer = 5;  // byte 3 of profile select; meaning unknown

// Bytes whose value a format fixes: the encoders write them, the mouse refuses a report without
// them.
struct FixedBytes {
    ReportType type;
    std::size_t first;
    std::size_t count;
    std::uint8_t value;
};
inline constexpr std::array<FixedBytes, 7> kFixedBytes{{
    {ReportType::profileSelect, 3, 1, kProfileSelectTrailer},
    {ReportType::dpi, dpi_report::kTrailer, 1, 1},
    {ReportType::light, light_report::kTrailer, 1, 1},
    {ReportType::light, light_report::kTrailer + 1, 2, 0},
    {ReportType::polling, polling_report::kInterval + 1, 5, 0},
    {ReportType::buttons, button_report::kPadding, 2, 0},
    {ReportType::macro, macro_report::kReserved, macro_report::kPairCount - macro_report::kReserved, 0},
}};

// Every format ends where its last field or fixed byte ends.
constexpr bool fixedBytesCloseEveryFormat() {
    for (const ReportFormat& format : kReportFormats) {
        std::size_t end = 0;
        for (const FixedBytes& fixed : kFixedBytes) {
            if (fixed.type == format.type) end = std::max(end, fixed.first + fixed.count);
        }
        if (format.type == ReportType::macro) {
            end = std::max(end, macro_report::kPairs + 2 * macro_report::kMaxPairs);
        }
        if (end != format.length) return false;
    }
    return true;
}
static_assert(fixedBytesCloseEveryFormat());

// Sensor code per table index; a level's index is its value in hundreds, halved above 50
// (double-range mode), and clamped to the last entry.
inline constexpr std::array<std::uint8_t, 50> kDpiCodeTable{
    4,  4,  6,  8,  11, 13, 15, 18, 20, 22, 25, 27,  29,  32,  34,  36,  39,
    41, 43, 46, 48, 50, 52, 55, 57, 59, 62, 64, 66,  69,  71,  73,  76,  78,
    80, 83, 85, 87, 90, 92, 94, 97, 99, 101, 104, 106, 108, 111, 113, 115};
inline constexpr int kDpiDoubleRangeAbove = 50;

// Report interval in milliseconds by pollingRateIndex (125, 250, 500, 1000 reports per second);
// any other index is sent as 2.
inline constexpr std::array<std::uint8_t, 4> kPollingIntervalCodes{8, 4, 2, 1};
inline constexpr std::uint8_t kPollingIntervalFallback = 2;
inline constexpr std::array<int, 4> kPollingRatesHz{125, 250, 500, 1000};

}  // namespace qx4
