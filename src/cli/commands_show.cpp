#include <charconv>
#include <iomanip>
#include <memory>
#include <optional>
#include <string>
#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/running_program.h"
#include "core/commands/json_writer.h"
#include "core/commands/script_names.h"
#include "core/config/config_file.h"
#include "core/config/utf16_text.h"
#include "core/device/dpi_steps.h"
#include "core/device/report_formats.h"
#include "core/device/reports.h"
#include "core/edit/profile_settings_edit.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4::cli {
namespace {

int runShow(Arguments arguments, CommandIo& io);

const Command kShowCommand = describedCommand("show", runShow);

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

// A level's DPI as the DPI page shows it: the DPI the mouse uses, "4900 DPI" for a stored 50 too.
std::string dpiText(std::int32_t value) { return std::to_string(effectiveDpi(value)) + " DPI"; }

// The rate the mouse is sent: an index outside 0..3 goes out as the 2 ms interval.
int reportRateHz(std::int32_t index) { return 1000 / pollingIntervalCode(index); }
std::string reportRateText(std::int32_t index) {
    std::string text = std::to_string(reportRateHz(index)) + " Hz";
    if (index < 0 || index >= static_cast<std::int32_t>(kPollingRatesHz.size())) text += " (out of range)";
    return text;
}

// The range rule keeps lightDirection 0 or 1.
std::string directionName(std::int32_t direction) {
    return direction == kLightDirectionForward ? "forward" : "backward";
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
    out << "  DPI levels (current: level " << current + 1 << ", " << dpiText(currentValue) << ")\n";
    for (std::size_t level = 0; level < profile.dpiValuesX.size(); ++level) {
        const std::int32_t value = profile.dpiValuesX[level];
        out << "    " << level + 1 << "  " << (profile.dpiLevelEnabled[level] == 1 ? "on " : "off") << "  "
            << commands::colorText(profile.dpiColors[level]) << "  " << std::setw(10) << dpiText(value)
            << (level == current ? "  <- current" : "") << '\n';
    }
}

void printProfile(const DeviceConfig& config, int index, std::ostream& out) {
    const ProfileSettings& profile = config.profiles[static_cast<std::size_t>(index)];
    out << "Profile " << index + 1 << (index == config.activeProfile ? " (active)" : "") << '\n';
    printDpiLevels(profile, out);
    out << "  Report rate: " << reportRateText(profile.pollingRateIndex) << '\n';
    const LightEffectInfo* effect = lightEffect(profile.lightMode);
    out << "  Lighting: " << (effect ? std::string(effect->name) : "mode " + valueText(profile.lightMode, kHighestByte))
        << ", brightness " << valueText(profile.lightBrightness, kHighestByte) << ", speed "
        << valueText(profile.lightBreathSpeed, kHighestSpeed) << ", direction " << directionName(profile.lightDirection)
        << ", colour " << commands::colorText(profile.lightColor) << '\n';
    out << "  Buttons:\n";
    for (std::size_t button = 0; button < kShownButtonCount; ++button) {
        out << "    " << std::setw(2) << button + 1 << "  " << commands::bindingText(profile.buttons[button]) << '\n';
    }
}

void writeButton(const ButtonBinding& binding, std::size_t button, commands::JsonWriter& writer) {
    writer.beginObject();
    writer.key("button").value(static_cast<std::int64_t>(button + 1));
    writer.key("binding").value(commands::bindingText(binding));
    writer.key("group").value(commands::functionGroupName(binding.functionGroup));
    writer.key("code").value(binding.functionCode);
    const std::string function = commands::functionName(binding.functionCode);
    writer.key("function");
    if (function.empty()) writer.null();
    else writer.value(function);
    writer.key("keys");
    if (binding.functionCode == kKeyboardFunctionCode) writer.value(commands::keyCombinationName({binding.modifierMask, binding.keyCode}));
    else writer.null();
    writer.key("macro");
    if (binding.functionCode == kMacroFunctionCode) {
        writer.beginObject();
        writer.key("name").value(utf16ToUtf8(macroNameText(binding.macroName)));
        writer.key("repeat").value(commands::repeatModeName(binding.macroRepeatMode));
        writer.key("loops").value(binding.macroLoopCount);
        writer.endObject();
    } else {
        writer.null();
    }
    writer.endObject();
}

void writeProfile(const DeviceConfig& config, int index, commands::JsonWriter& writer) {
    const ProfileSettings& profile = config.profiles[static_cast<std::size_t>(index)];
    writer.beginObject();
    writer.key("profile").value(index + 1);
    writer.key("active").value(index == config.activeProfile);
    writer.key("dpi").beginObject().key("current_level").value(profile.dpiLevel + 1).key("levels").beginArray();
    for (std::size_t level = 0; level < profile.dpiValuesX.size(); ++level) {
        writer.beginObject();
        writer.key("level").value(static_cast<std::int64_t>(level + 1));
        writer.key("enabled").value(profile.dpiLevelEnabled[level] == 1);
        writer.key("dpi").value(effectiveDpi(profile.dpiValuesX[level]));
        writer.key("stored_value").value(profile.dpiValuesX[level]);
        writer.key("color").value(commands::colorText(profile.dpiColors[level]));
        writer.endObject();
    }
    writer.endArray().endObject();
    writer.key("report_rate_hz").value(reportRateHz(profile.pollingRateIndex));
    const LightEffectInfo* effect = lightEffect(profile.lightMode);
    writer.key("lighting").beginObject().key("effect");
    if (effect) writer.value(effect->name);
    else writer.null();
    writer.key("mode").value(profile.lightMode);
    writer.key("brightness").value(profile.lightBrightness);
    writer.key("speed").value(profile.lightBreathSpeed);
    writer.key("direction").value(directionName(profile.lightDirection));
    writer.key("color").value(commands::colorText(profile.lightColor));
    writer.endObject();
    writer.key("buttons").beginArray();
    for (std::size_t button = 0; button < kShownButtonCount; ++button) writeButton(profile.buttons[button], button, writer);
    writer.endArray().endObject();
}

int runShow(Arguments arguments, CommandIo& io) {
    if (handledHelp(kShowCommand, arguments, io)) return kExitSuccess;
    const auto scanned = scanOptions(kShowCommand, arguments, io);
    if (!scanned) return kExitUsage;
    if (!scanned->positionals.empty()) {
        return usageError(kShowCommand, io, "unexpected argument '" + std::string(scanned->positionals.front()) + "'");
    }
    const bool json = scanned->has(commands::options::kJson);
    std::optional<int> onlyProfile;
    if (const auto value = scanned->value(commands::options::kProfile)) {
        onlyProfile = parseProfileNumber(*value);
        if (!onlyProfile) {
            return usageError(kShowCommand, io, "profile must be a number 1-5, not '" + std::string(*value) + "'");
        }
    }

    RunningProgram::find().syncDataFiles(kShowCommand, io);
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
    if (loaded.overlong) io.err << "qx4ctl show: " << path << " is longer than a configuration; its first one is shown\n";
    if (loaded.rangeRepaired) {
        io.err << "qx4ctl show: " << path << " holds out-of-range values; they show as their defaults\n";
    }

    if (json) {
        commands::JsonWriter writer;
        writer.beginObject();
        writer.key("configuration").value(path);
        writer.key("active_profile").value(config->activeProfile + 1);
        writer.key("profiles").beginArray();
        for (int index = 0; index < kProfileCount; ++index) {
            if (!onlyProfile || *onlyProfile == index + 1) writeProfile(*config, index, writer);
        }
        io.out << writer.endArray().endObject().finish();
        return kExitSuccess;
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
