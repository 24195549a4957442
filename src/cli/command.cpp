#include "cli/command.h"

#include <algorithm>
#include <ostream>

#include "cli/completion.h"
#include "core/commands/command_grammar.h"
#include "core/commands/name_suggestion.h"
#include "core/config/config_file.h"

namespace qx4::cli {
namespace {

std::vector<Command>& commandTable() {
    static std::vector<Command> table;
    return table;
}

constexpr std::string_view kToolUsage =
    "Usage: qx4ctl <command> [options]\n"
    "Shows the stored configuration of the KESTRA QX4 mouse and sends it to the mouse.\n"
    "\n"
    "Commands:\n";

void printToolUsage(std::ostream& out) {
    out << kToolUsage;
    for (const commands::CommandSpec& command : commands::commandSpecs()) {
        out << "  " << command.name << std::string(command.name.size() < 10 ? 10 - command.name.size() : 1, ' ')
            << command.summary << '\n';
    }
    out << "\nRun 'qx4ctl <command> --help' for the options of a command.\n";
}

bool asksForHelp(Arguments arguments) {
    return std::any_of(arguments.begin(), arguments.end(),
                       [](std::string_view argument) { return argument == "--help" || argument == "-h"; });
}

}  // namespace

Command describedCommand(std::string_view name, CommandHandler run) {
    const commands::CommandSpec* described = commands::findCommandSpec(name);
    return described ? Command{described->name, described->summary, described->usage, run} : Command{name, {}, {}, run};
}

bool registerCommand(const Command& command) {
    commandTable().push_back(command);
    return true;
}

std::vector<Command> registeredCommands() {
    std::vector<Command> commands = commandTable();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

int runQx4ctl(Arguments arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty()) {
        printToolUsage(err);
        return kExitUsage;
    }
    const std::string_view name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        printToolUsage(out);
        return kExitSuccess;
    }
    if (name == kCompleteOption) return printCompletion(arguments.subspan(1), out);
    const auto commands = registeredCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [name](const Command& command) { return command.name == name; });
    if (found == commands.end()) {
        std::vector<std::string_view> names;
        for (const Command& command : commands) names.push_back(command.name);
        err << "qx4ctl: unknown command '" << name << "'" << commands::didYouMean(name, names)
            << "\nRun 'qx4ctl --help' for the list of commands.\n";
        return kExitUsage;
    }
    CommandIo io{out, err};
    // Every command works on the data files, or hands over to a program that does.
    if (const auto problem = dataDirectoryProblem(); problem && !asksForHelp(arguments.subspan(1))) {
        return failure(*found, io, *problem);
    }
    return found->run(arguments.subspan(1), io);
}

int usageError(const Command& command, CommandIo& io, std::string_view message) {
    io.err << "qx4ctl " << command.name << ": " << message << "\nRun 'qx4ctl " << command.name
           << " --help' for its usage.\n";
    return kExitUsage;
}

int failure(const Command& command, CommandIo& io, std::string_view message) {
    io.err << "qx4ctl " << command.name << ": " << message << '\n';
    return kExitFailure;
}

bool handledHelp(const Command& command, Arguments arguments, CommandIo& io) {
    const bool wanted = asksForHelp(arguments);
    if (wanted) io.out << command.usage;
    return wanted;
}

std::optional<commands::ScannedArguments> scanOptions(const Command& command, Arguments arguments, CommandIo& io) {
    auto scanned = commands::scanArguments(arguments, commands::formOptions(command.name));
    if (const auto* error = std::get_if<commands::UsageError>(&scanned)) {
        usageError(command, io, error->message);
        return std::nullopt;
    }
    return std::get<commands::ScannedArguments>(std::move(scanned));
}

std::optional<ListForm> listForm(const Command& command, const commands::ScannedArguments& scanned, CommandIo& io) {
    if (!scanned.positionals.empty()) {
        usageError(command, io, "unexpected argument '" + std::string(scanned.positionals.front()) + "'");
        return std::nullopt;
    }
    using commands::options::kJson;
    using commands::options::kNames;
    if (scanned.has(kJson) && scanned.has(kNames)) {
        usageError(command, io, "--json and --names go in separate commands");
        return std::nullopt;
    }
    return scanned.has(kJson) ? ListForm::json : scanned.has(kNames) ? ListForm::names : ListForm::text;
}

std::optional<ListForm> listForm(const Command& command, Arguments arguments, CommandIo& io) {
    const auto scanned = scanOptions(command, arguments, io);
    return scanned ? listForm(command, *scanned, io) : std::nullopt;
}

int rejectArguments(const Command& command, Arguments arguments, CommandIo& io) {
    if (arguments.empty()) return kExitSuccess;
    return usageError(command, io, "unexpected argument '" + std::string(arguments.front()) + "'");
}

}  // namespace qx4::cli
