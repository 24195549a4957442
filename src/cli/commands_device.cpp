// qx4ctl reports, apply and status: the device link from a terminal.
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/device_session.h"
#include "cli/running_program.h"
#include "core/commands/edit_command.h"
#include "core/commands/status_text.h"
#include "core/config/config_file.h"
#include "core/desktop/install_layout.h"
#include "core/device/apply_plan.h"
#include "core/device/device_access.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runReports(Arguments arguments, CommandIo& io);
int runApply(Arguments arguments, CommandIo& io);
int runStatus(Arguments arguments, CommandIo& io);

const Command kReportsCommand{
    "reports",
    "print the reports an apply would send",
    "Usage: qx4ctl reports [--full] [--against FILE]\n"
    "Prints the feature reports an apply of the stored configuration sends, one line of hex\n"
    "bytes each, in the order they are sent: everything, as the first apply after a start does,\n"
    "or with --against only what differs from FILE, a configuration the mouse already holds\n"
    "(--full sends everything even then). Nothing is sent and nothing is written.\n",
    runReports,
};

const Command kApplyCommand{
    "apply",
    "send the stored configuration to the mouse",
    "Usage: qx4ctl apply [--full] [--against FILE] [--simulate]\n"
    "Sends the stored configuration to the mouse, over its cable when it is plugged in, else\n"
    "over the receiver, and prints each report with its result. Everything is sent, as after a\n"
    "start of the program, unless --against names a configuration the mouse already holds; then\n"
    "only what differs from it (--full sends everything anyway). --simulate talks to\n"
    "qx4-virtual-mouse instead of a mouse. Exits with 1 when no mouse is found, the mouse\n"
    "sleeps, or it did not take a report. While qx4-config runs, it sends instead, what the mouse\n"
    "lacks (everything with --full), and --against and --simulate do not apply.\n",
    runApply,
};

const Command kStatusCommand{
    "status",
    "show the links to the mouse, its sleep state and battery",
    "Usage: qx4ctl status [--simulate] [--json]\n"
    "Opens the receiver and the cable links and prints which are present, whether the mouse is\n"
    "awake and its battery level; while qx4-config runs, it answers from its own links instead.\n"
    "--simulate asks qx4-virtual-mouse instead of a mouse. --json prints\n"
    "  {\"receiver\": \"present\"|\"removed\"|\"not found\", \"cable\": \"plugged in\"|\"unplugged\"|\n"
    "   \"not plugged in\", \"mouse\": \"awake\"|\"asleep\"|null, \"battery_percent\": 10-100|null}\n",
    runStatus,
};

constexpr auto kWakeWait = std::chrono::milliseconds(2000);
constexpr auto kStatusWait = std::chrono::milliseconds(1500);

struct DeviceOptions {
    bool full = false;
    bool simulate = false;
    std::optional<std::string> against;
};

// Parses the options a command accepts; an error message for anything else.
std::optional<std::string> parseOptions(Arguments arguments, bool acceptsFull, bool acceptsAgainst,
                                        bool acceptsSimulate, DeviceOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (acceptsFull && argument == "--full") {
            options.full = true;
        } else if (acceptsSimulate && argument == "--simulate") {
            options.simulate = true;
        } else if (acceptsAgainst && argument == "--against") {
            if (i + 1 == arguments.size()) return "--against needs a configuration file";
            options.against = std::string(arguments[++i]);
        } else if (acceptsAgainst && argument.starts_with("--against=")) {
            options.against = std::string(argument.substr(std::string_view("--against=").size()));
        } else {
            return "unexpected argument '" + std::string(argument) + "'";
        }
    }
    if (options.against && options.against->empty()) return "--against needs a configuration file";
    return std::nullopt;
}

void reportLoad(const Command& command, const std::filesystem::path& file, const ConfigLoadResult& loaded,
                CommandIo& io) {
    const std::string path = file.string();
    const std::string prefix = "qx4ctl " + std::string(command.name) + ": ";
    if (loaded.createdDefaults) io.err << prefix << "no " << path << " yet; using the defaults\n";
    if (loaded.damaged) io.err << prefix << path << " is shorter than a configuration; the missing part is the defaults\n";
    if (loaded.overlong) io.err << prefix << path << " is longer than a configuration; only its first configuration counts\n";
    if (!loaded.damagedCopy.empty()) io.err << prefix << "the whole file was kept as " << loaded.damagedCopy.string() << '\n';
    if (loaded.rangeRepaired) io.err << prefix << path << " holds out-of-range values; they count as their defaults\n";
}

// The configuration the mouse already holds, read by the data file's rules. An error message when
// it cannot be read.
std::optional<std::string> readHeldConfig(const std::string& path, std::size_t macroCount, DeviceConfig& record,
                                          const Command& command, CommandIo& io) {
    const ConfigLoadResult loaded = readConfigFile(path, record, macroCount);
    if (loaded.createdDefaults) return cannotRead(path, false, std::make_error_code(std::errc::no_such_file_or_directory));
    if (loaded.unreadable) return cannotRead(path, loaded);
    reportLoad(command, path, loaded, io);
    return std::nullopt;
}

int runReports(Arguments arguments, CommandIo& io) {
    if (handledHelp(kReportsCommand, arguments, io)) return kExitSuccess;
    DeviceOptions options;
    if (auto error = parseOptions(arguments, true, true, false, options)) return usageError(kReportsCommand, io, *error);

    RunningProgram::find().syncDataFiles(kReportsCommand, io);
    MacroList macros;
    loadMacrosOrWarn(macros, kReportsCommand, io);
    auto record = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = readConfig(*record, macros.size());
    if (loaded.unreadable) return failure(kReportsCommand, io, cannotRead(configFilePath(), loaded));
    reportLoad(kReportsCommand, configFilePath(), loaded, io);

    SectionFlags flags = SectionFlags::all();
    if (options.against && !options.full) {
        auto held = std::make_unique<DeviceConfig>();
        if (auto error = readHeldConfig(*options.against, macros.size(), *held, kReportsCommand, io))
            return failure(kReportsCommand, io, *error);
        flags = compareConfigs(*record, *held);
    }
    for (const PlannedReport& planned : planApply(*record, flags)) io.out << toHex(planned.report.view()) << '\n';
    return kExitSuccess;
}

// The outcome of one apply through qx4ctl's own link.
commands::SendResult applyThroughOwnLink(DeviceSession& session, bool full, const DeviceConfig* held) {
    using commands::SendResult;
    session.start();
    if (!session.anyLinkPresent()) return {SendResult::Kind::noMouse};
    // Over the receiver alone the mouse first has to say that it is awake.
    if (!session.waitUntilAwake(Clock::now() + kWakeWait)) return {SendResult::Kind::asleep};
    const DeviceSession::ApplyResult result = session.apply(full, held);
    if (result.skipped) {
        return {*result.skipped == ApplySkipReason::noLink ? SendResult::Kind::noMouse : SendResult::Kind::asleep};
    }
    return {SendResult::Kind::sent, result.outcome.sent, result.outcome.failed};
}

int runApply(Arguments arguments, CommandIo& io) {
    if (handledHelp(kApplyCommand, arguments, io)) return kExitSuccess;
    DeviceOptions options;
    if (auto error = parseOptions(arguments, true, true, true, options)) return usageError(kApplyCommand, io, *error);

    RunningProgram program = RunningProgram::find();
    if (program.state() == RunningProgram::State::unreachable) return failure(kApplyCommand, io, program.problem());
    if (program.state() == RunningProgram::State::reached) {
        if (options.against) {
            return failure(kApplyCommand, io,
                           "qx4-config runs and knows what the mouse holds: leave out --against, or quit it first");
        }
        return program.handOver(kApplyCommand, commandLine(kApplyCommand, arguments), io);
    }

    MacroList macros;
    loadMacrosOrWarn(macros, kApplyCommand, io);
    auto record = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = loadConfig(*record, macros.size());
    if (loaded.unreadable) return failure(kApplyCommand, io, cannotRead(configFilePath(), loaded));
    if (const auto unkept = unkeptMisfit(configFilePath(), loaded)) return failure(kApplyCommand, io, *unkept);
    reportLoad(kApplyCommand, configFilePath(), loaded, io);
    std::unique_ptr<DeviceConfig> held;
    if (options.against) {
        held = std::make_unique<DeviceConfig>();
        if (auto error = readHeldConfig(*options.against, macros.size(), *held, kApplyCommand, io))
            return failure(kApplyCommand, io, *error);
    }

    DeviceSession session(*record, {options.simulate, true}, io.out);
    const auto began = Clock::now();
    const commands::SendResult result = applyThroughOwnLink(session, options.full, held.get());
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    std::error_code reason;
    if (result.kind == commands::SendResult::Kind::sent && (!saveConfig(*record, &reason) || session.saveFailed())) {
        return failure(kApplyCommand, io,
                       "the mouse has the configuration, but " + commands::cannotWrite(configFilePath(), reason));
    }
    const commands::ApplyReport report = commands::applyReport(result, seconds, options.simulate);
    io.out << report.out;
    return report.exitCode == 0 ? kExitSuccess : failure(kApplyCommand, io, report.error);
}

// What keeps a mouse that is on USB from the driver; empty when none is on USB.
std::string mouseClosedToUserText() {
    const SystemFolders system = systemFolders();
    const DeviceAccess access = checkDeviceAccess(system);
    return accessProblemText(access, accessFix(access, runningProgramFolder(), system));
}

int runStatus(Arguments arguments, CommandIo& io) {
    if (handledHelp(kStatusCommand, arguments, io)) return kExitSuccess;
    std::vector<std::string_view> rest;
    bool json = false;
    for (const std::string_view argument : arguments) {
        if (argument == "--json") json = true;
        else rest.push_back(argument);
    }
    DeviceOptions options;
    if (auto error = parseOptions(rest, false, false, true, options)) return usageError(kStatusCommand, io, *error);

    RunningProgram program = RunningProgram::find();
    if (program.state() == RunningProgram::State::unreachable) return failure(kStatusCommand, io, program.problem());
    if (program.state() == RunningProgram::State::reached) {
        return program.handOver(kStatusCommand, commandLine(kStatusCommand, arguments), io);
    }

    // The record only answers notifications here; status never writes it.
    MacroList macros;
    loadMacros(macros);
    auto record = std::make_unique<DeviceConfig>();
    readConfig(*record, macros.size());
    DeviceSession session(*record, {options.simulate, false}, io.out);
    session.start();
    if (session.anyLinkPresent()) session.waitForStatus(Clock::now() + kStatusWait);
    const std::string closed = session.anyLinkPresent() || options.simulate ? std::string() : mouseClosedToUserText();
    io.out << commands::statusText(session.presence(), json, closed);
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kReportsCommand) && registerCommand(kApplyCommand) &&
                                          registerCommand(kStatusCommand);

}  // namespace
}  // namespace qx4::cli
