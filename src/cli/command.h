// qx4ctl's commands. What each takes and says of itself is a row of the command description
// (core/commands/command_grammar.cpp); its handler lives in its own commands_*.cpp and adds itself
// to the command table with one registerCommand line. The dispatcher needs no other change.
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/commands/command_grammar.h"

namespace qx4::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

using Arguments = std::span<const std::string_view>;

using CommandHandler = int (*)(Arguments arguments, CommandIo& io);

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for "qx4ctl --help"
    std::string_view usage;    // what "qx4ctl <name> --help" prints
    CommandHandler run;
};

// The command of that name in the command description, run by run. Without a row there, only the
// name is filled in (a test checks that every command has one).
Command describedCommand(std::string_view name, CommandHandler run);

// Returns true, so that a command file can register itself while its statics initialise.
bool registerCommand(const Command& command);
// Sorted by name.
std::vector<Command> registeredCommands();

// The whole tool: arguments after the program name; returns the exit code.
int runQx4ctl(Arguments arguments, std::ostream& out, std::ostream& err);

// "qx4ctl <command>: <message>" and a pointer to --help; returns kExitUsage.
int usageError(const Command& command, CommandIo& io, std::string_view message);
// One line "qx4ctl <command>: <message>"; returns kExitFailure.
int failure(const Command& command, CommandIo& io, std::string_view message);
// True when the arguments ask for help; the usage has then been printed.
bool handledHelp(const Command& command, Arguments arguments, CommandIo& io);
// The arguments of a command without subcommands split by the options the command description
// gives it; nullopt once a usage error is printed.
std::optional<commands::ScannedArguments> scanOptions(const Command& command, Arguments arguments, CommandIo& io);
// For the lists that print as text, with --json or with --names; nullopt once a usage error is
// printed.
enum class ListForm { text, json, names };
std::optional<ListForm> listForm(const Command& command, Arguments arguments, CommandIo& io);
std::optional<ListForm> listForm(const Command& command, const commands::ScannedArguments& scanned, CommandIo& io);
// For commands without options: a usage error for any argument left.
int rejectArguments(const Command& command, Arguments arguments, CommandIo& io);

}  // namespace qx4::cli
