// qx4ctl's commands. Each lives in its own commands_*.cpp and adds itself to the command table
// with one registerCommand line; the dispatcher needs no other change.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx4::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CommandIo {
    std::ostream& out;
    std::ostream& err;
};

using Arguments = std::span<const std::string_view>;

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for "qx4ctl --help"
    std::string_view usage;    // what "qx4ctl <name> --help" prints
    int (*run)(Arguments arguments, CommandIo& io);
};

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
// For commands without options: a usage error for any argument left.
int rejectArguments(const Command& command, Arguments arguments, CommandIo& io);

}  // namespace qx4::cli
