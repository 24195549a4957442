#include "cli/edit_runner.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/data_files.h"
#include "cli/device_session.h"
#include "cli/running_program.h"
#include "core/commands/edit_command.h"
#include "core/config/config_file.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

constexpr std::string_view kChangeNotes =
    "\nWhile qx4-config runs, the command is handed to it: its window shows the change at once, and\n"
    "it saves and sends it. Otherwise qx4ctl changes the data files itself, each replaced whole.\n"
    "--apply sends the change to the mouse at once: the program sends what changed, or all five\n"
    "profiles where its window sends them all; qx4ctl, which cannot know what the mouse holds,\n"
    "sends everything, as qx4ctl apply does. Without it the change waits for the next apply.\n"
    "--simulate has qx4ctl send through qx4-virtual-mouse.\n";

constexpr auto kWakeWait = std::chrono::milliseconds(2000);

using commands::SendResult;

// Sends the saved record through qx4ctl's own link. Unlike the program, qx4ctl does not know what
// the mouse holds (changes made without --apply are waiting too), so it sends everything, as
// qx4ctl apply does.
SendResult send(const commands::EditCommand& command, DeviceConfig& record) {
    std::ostringstream reportLines;
    DeviceSession session(record, {command.simulate, false}, reportLines);
    session.start();
    if (!session.anyLinkPresent()) return {SendResult::Kind::noMouse};
    // Over the receiver alone the mouse first has to say that it is awake.
    if (!session.waitUntilAwake(Clock::now() + kWakeWait)) return {SendResult::Kind::asleep};
    const DeviceSession::ApplyResult result = session.apply(true, nullptr);
    if (result.skipped) {
        return {*result.skipped == ApplySkipReason::noLink ? SendResult::Kind::noMouse : SendResult::Kind::asleep};
    }
    return {SendResult::Kind::sent, result.outcome.sent, result.outcome.failed};
}

// The command on the data files, which `program` holds locked: read, changed by the shared rules,
// saved whole, unlocked, then sent.
int runOnDataFiles(const Command& command, const commands::EditCommand& edit, RunningProgram& program,
                   CommandIo& io) {
    MacroList macros;
    loadMacrosOrWarn(macros, command, io);
    auto record = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = loadConfig(*record, macros.size());
    if (loaded.unreadable) return failure(command, io, cannotRead(configFilePath(), loaded) + "; nothing was changed");
    if (const auto unkept = unkeptMisfit(configFilePath(), loaded)) return failure(command, io, *unkept);

    commands::EditOutcome outcome = commands::executeEdit(edit, {*record, macros});
    if (outcome.exitCode != 0) return failure(command, io, outcome.error);
    const commands::Effects& effects = outcome.effects;
    // Both files or neither: a renamed macro in one and the old name in the other would reset
    // the buttons that play it at the next refresh.
    const DataFilesSave saved =
        saveMacrosAndConfig(effects.macrosChanged ? &macros : nullptr, effects.recordChanged ? record.get() : nullptr);
    if (saved.error) return failure(command, io, commands::saveFailureText(saved));
    // A program that starts during a send, which takes seconds, must not wait for it.
    program.releaseDataFiles();
    if (effects.apply != commands::ApplyKind::none) {
        commands::addSendResult(outcome, send(edit, *record));
    }
    io.out << outcome.out;
    if (!outcome.error.empty()) io.err << "qx4ctl " << command.name << ": " << outcome.error << '\n';
    return outcome.exitCode;
}

}  // namespace

int runEditCommand(const Command& command, Arguments arguments, CommandIo& io) {
    if (handledHelp(command, arguments, io)) {
        const commands::CommandSpec* described = commands::findCommandSpec(command.name);
        if (described && commands::takesOption(*described, commands::options::kApply)) io.out << kChangeNotes;
        return kExitSuccess;
    }
    const std::vector<std::string> line = commandLine(command, arguments);
    const std::vector<std::string_view> views(line.begin(), line.end());
    const auto parsed = commands::parseEditCommand(views, std::filesystem::current_path());
    if (const auto* error = std::get_if<commands::UsageError>(&parsed)) return usageError(command, io, error->message);
    const auto& edit = std::get<commands::EditCommand>(parsed);

    RunningProgram program = RunningProgram::findOrLockDataFiles();
    switch (program.state()) {
    case RunningProgram::State::reached:
        return program.handOver(command, line, io);
    case RunningProgram::State::unreachable:
        return failure(command, io, program.problem() + "; nothing was changed");
    case RunningProgram::State::notRunning:
        break;
    }
    return runOnDataFiles(command, edit, program, io);
}

}  // namespace qx4::cli
