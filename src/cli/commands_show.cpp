#include <charconv>
#include <iomanip>
#include <memory>
#include <optional>
#include <string>
#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/display_names.h"
#include "core/config/config_file.h"
#include "core/device/dpi_steps.h"
#include "core/device/report_formats.h"
#include "core/device/reports.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runShow(Arguments arguments, CommandIo& io);

const Command kShowCommand{
    "show",
    "summarise the stored configuration",
    "Usage: qx4ctl show [--profile N]\n"
    "Summarises Config_1.data: the active profile and, for every profile (or profile N, 1-5),\n"
    "the DPI levels, report rate, lighting and the function of the 12 buttons. Nothing is\n"
    "written; without a file the defaults are shown.\n",
    runShow,
};

// What the reports can carry: the lighting mode and brightness are sent as one byte, the speed
// as 9 - value.
constexpr long long kHighestByte = 255;
constexpr long long kHighestSpeed = 9;

// A value the mouse cannot be sent as stored is shown, but marked.
std::string valueText(long long value, long long highest) {
    std::string text = std::to_string(value);
    if (value < 0 || value > highest) text += " (out of range)";
    return text;
}

// A level's stored value in DPI, "5000 DPI"; the note names the DPI the mouse is really sent
// when that differs, " (sent as 4900)", and is empty otherwise.
std::string dpiText(std::int32_t value) {
    return std::to_string(static_cast<long long>(value) * kDpiPerHundred) + " DPI";
}
std::string dpiNote(std::int32_t value) {
    return dpiSentAsStored(value) ? "" : " (sent as " + std::to_string(effectiveDpi(value)) + ")";
}

// The rate the mouse is sent: an index outside 0..3 goes out as the 2 ms interval.
std::string reportRateText(std::int32_t index) {
    std::string text = std::to_string(1000 / pollingIntervalCode(index)) + " Hz";
    if (index < 0 || index >= static_cast<std::int32_t>(kPollingRatesHz.size())) text += " (out of range)";
    return text;
}

std::optional<int> parseProfileNumber(std::string_view text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (number < 1 || number > kProfileCount) return std::nullopt;
    return number;
}

void printDpiLevels(const ProfileSettings& profile, std::ostream& out) {
    const std::size_t current = static_cast<std::size_t>(profile.dpiLevel);
    const std::int32_t currentValue = profile.dpiValuesX[current];
    out << "  DPI levels (current: level " << current + 1 << ", " << dpiText(currentValue) << dpiNote(currentValue)
        << ")\n";
    for (std::size_t level = 0; level < profile.dpiValuesX.size(); ++level) {
        const std::int32_t value = profile.dpiValuesX[level];
        out << "    " << level + 1 << "  " << (profile.dpiLevelEnabled[level] == 1 ? "on " : "off") << "  "
            << colorText(profile.dpiColors[level]) << "  " << std::setw(10) << dpiText(value) << dpiNote(value)
            << (level == current ? "  <- current" : "") << '\n';
    }
}

void printProfile(const DeviceConfig& config, int index, std::ostream& out) {
    const ProfileSettings& profile = config.profiles[static_cast<std::size_t>(index)];
    out << "Profile " << index + 1 << (index == config.activeProfile ? " (active)" : "") << '\n';
    printDpiLevels(profile, out);
    out << "  Report rate: " << reportRateText(profile.pollingRateIndex) << '\n';
    out << "  Lighting: mode " << valueText(profile.lightMode, kHighestByte) << ", brightness "
        << valueText(profile.lightBrightness, kHighestByte) << ", speed "
        << valueText(profile.lightBreathSpeed, kHighestSpeed) << ", colour " << colorText(profile.lightColor) << '\n';
    out << "  Buttons:\n";
    for (std::size_t button = 0; button < kShownButtonCount; ++button) {
        out << "    " << std::setw(2) << button + 1 << "  " << buttonFunctionName(profile.buttons[button]) << '\n';
    }
}

int runShow(Arguments arguments, CommandIo& io) {
    if (handledHelp(kShowCommand, arguments, io)) return kExitSuccess;
    std::optional<int> onlyProfile;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        std::string_view value;
        if (argument == "--profile") {
            if (i + 1 == arguments.size()) return usageError(kShowCommand, io, "--profile needs a number 1-5");
            value = arguments[++i];
        } else if (argument.starts_with("--profile=")) {
            value = argument.substr(std::string_view("--profile=").size());
        } else {
            return usageError(kShowCommand, io, "unexpected argument '" + std::string(argument) + "'");
        }
        onlyProfile = parseProfileNumber(value);
        if (!onlyProfile) {
            return usageError(kShowCommand, io, "profile must be a number 1-5, not '" + std::string(value) + "'");
        }
    }

    MacroList macros;
    loadMacrosOrWarn(macros, kShowCommand, io);
    auto config = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = readConfig(*config, macros.size());
    const std::string path = configFilePath().string();
    if (loaded.unreadable) return failure(kShowCommand, io, cannotRead(path, loaded));
    if (loaded.createdDefaults) io.err << "qx4ctl show: no " << path << " yet; showing the defaults\n";
    if (loaded.damaged) {
        io.err << "qx4ctl show: " << path << " is shorter than a configuration; the missing part shows the defaults\n";
    }
    if (loaded.rangeRepaired) {
        io.err << "qx4ctl show: " << path << " holds out-of-range values; they show as their defaults\n";
    }

    io.out << "Configuration: " << path << '\n';
    io.out << "Active profile: " << config->activeProfile + 1 << '\n';
    for (int index = 0; index < kProfileCount; ++index) {
        if (onlyProfile && *onlyProfile != index + 1) continue;
        io.out << '\n';
        printProfile(*config, index, io.out);
    }
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kShowCommand);

}  // namespace
}  // namespace qx4::cli
