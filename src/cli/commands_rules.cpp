// qx4ctl rules: which profile follows which application, in the running program or in its file.
#include <ostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/running_program.h"
#include "core/instance/instance_messages.h"
#include "core/commands/name_suggestion.h"
#include "core/rules/rules_command.h"

namespace qx4::cli {
namespace {

int runRules(Arguments arguments, CommandIo& io);

const Command kRulesCommand = describedCommand("rules", runRules);

int runRules(Arguments given, CommandIo& io) {
    if (handledHelp(kRulesCommand, given, io)) return kExitSuccess;
    // Alone it lists them; a slip of a subcommand gets the one meant, here or in the program.
    const commands::CommandSpec* described = commands::findCommandSpec(kRulesCommand.name);
    if (!given.empty() && described && !commands::findForm(*described, given.front())) {
        const auto names = commands::subcommandNames(*described);
        return usageError(kRulesCommand, io,
                          "say list, add APP PROFILE, remove APP, default keep|N, on or off" +
                              commands::didYouMean(given.front(), names));
    }
    const std::vector<std::string_view> listing{"list"};
    const Arguments arguments = given.empty() ? Arguments(listing) : given;
    // Checked before the program is asked, so that a command line its request cannot carry gets
    // the same answer with the program as without it.
    std::vector<std::string_view> words{kRulesCommand.name};
    words.insert(words.end(), arguments.begin(), arguments.end());
    if (const auto beyond = argumentsBeyondRequest(words)) {
        return usageError(kRulesCommand, io, "the command line holds " + *beyond);
    }
    RunningProgram program = RunningProgram::findOrLockDataFiles();
    if (program.state() == RunningProgram::State::reached) {
        return program.handOver(kRulesCommand, commandLine(kRulesCommand, arguments), io);
    }
    if (program.state() == RunningProgram::State::unreachable) return failure(kRulesCommand, io, program.problem());

    const RulesLoad load = loadRules();
    if (!load.problem.empty()) io.err << "qx4ctl rules: " << load.problem << "; going on without its rules\n";
    FocusRules rules = load.rules;
    const RulesCommandOutcome outcome = runRulesCommand(words, rules);
    if (outcome.exitCode == kExitUsage) return usageError(kRulesCommand, io, outcome.error);
    if (outcome.exitCode != kExitSuccess) return failure(kRulesCommand, io, outcome.error);
    if (outcome.changed) {
        if (const std::string error = saveRules(rules); !error.empty()) return failure(kRulesCommand, io, error);
    }
    io.out << outcome.out;
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kRulesCommand);

}  // namespace
}  // namespace qx4::cli
