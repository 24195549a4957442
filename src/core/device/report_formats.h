// The mouse's feature-report formats: command byte, total length and the tables the encoders and
// the virtual mouse's decoder share. Byte 1 of every report repeats its length; byte 2 is the
// profile number 1-5 (or the macro slot for the macro report).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace qx4 {

enum class ReportType : std::uint8_t { profileSelect, dpi, light, polling, buttons, macro };

struct ReportFormat {
    ReportType type;
    std::uint8_t command;
    std::uint8_t length;
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

inline constexpr std::size_t kMaxReportLength = 129;

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

inline constexpr std::uint8_t kProfileSelectTrailer = 5;
inline constexpr int kMacroReportPairOffset = 29;
inline constexpr int kMacroReportMaxPairs = 50;
inline constexpr int kMacroExtraDelayPairLimit = 10;

}  // namespace qx4
