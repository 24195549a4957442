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

const Command kReportsCommand = describedCommand("reports", runReports);
const Command kApplyCommand = describedCommand("apply", runApply);
const Command kStatusCommand = describedCommand("status", runStatus);

constexpr auto kWakeWait = std::chrono::milliseconds(2000);
constexpr auto kStatusWait = std::chrono::milliseconds(1500);

struct DeviceOptions {
    bool full = false;
    bool simulate = false;
    bool json = false;
    std::optional<std::string> against;
};

// The options of the command's description; nullopt once a usage error is printed.
std::optional<DeviceOptions> deviceOptions(const Command& command, Arguments arguments, CommandIo& io) {
    const auto scanned = scanOptions(command, arguments, io);
    if (!scanned) return std::nullopt;
    if (!scanned->positionals.empty()) {
        usageError(command, io, "unexpected argument '" + std::string(scanned->positionals.front()) + "'");
        return std::nullopt;
    }
    namespace opt = commands::options;
    DeviceOptions options{scanned->has(opt::kFull), scanned->has(opt::kSimulate), scanned->has(opt::kJson), std::nullopt};
    if (const auto against = scanned->value(opt::kAgainst)) {
        if (against->empty()) {
            usageError(command, io, "--against needs a configuration file");
            return std::nullopt;
        }
        options.against = std::string(*against);
    }
    return options;
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
    const auto parsed = deviceOptions(kReportsCommand, arguments, io);
    if (!parsed) return kExitUsage;
    const DeviceOptions& options = *parsed;

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
    const auto parsed = deviceOptions(kApplyCommand, arguments, io);
    if (!parsed) return kExitUsage;
    const DeviceOptions& options = *parsed;

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
    const auto parsed = deviceOptions(kStatusCommand, arguments, io);
    if (!parsed) return kExitUsage;
    const DeviceOptions& options = *parsed;

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
    io.out << commands::statusText(session.presence(), options.json, closed);
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kReportsCommand) && registerCommand(kApplyCommand) &&
                                          registerCommand(kStatusCommand);

}  // namespace
}  // namespace qx4::cli
