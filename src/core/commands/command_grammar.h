// qx4ctl's commands and options, described once. The parsers take each command's options from
// here, "qx4ctl --help" and "qx4ctl NAME --help" print its summary and usage, and the bash
// completion asks "qx4ctl --complete" what a word can be, which this description answers. A test
// holds the manual page to it.
//
// A new command is one row of kCommands in command_grammar.cpp (name, summary, usage, forms) and
// a handler in src/cli that registers itself under the row's name with describedCommand.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qx4::commands {

struct UsageError {
    std::string message;
};

// What a word is, for the completion.
enum class ValueKind : std::uint8_t {
    none,       // an option without a value
    text,       // a value no list holds: a number, a colour, a new name
    words,      // one of ValueSpec::words
    functions,  // what bind takes: a function, default, macro:NAME
    macros,     // a stored macro's name
    effects,    // a lighting effect
    file,
};

// The option names, for the table and for the handlers that read what was given.
namespace options {
inline constexpr std::string_view kProfile = "--profile";
inline constexpr std::string_view kApply = "--apply";
inline constexpr std::string_view kSimulate = "--simulate";
inline constexpr std::string_view kJson = "--json";
inline constexpr std::string_view kNames = "--names";
inline constexpr std::string_view kFull = "--full";
inline constexpr std::string_view kAgainst = "--against";
inline constexpr std::string_view kRepeat = "--repeat";
inline constexpr std::string_view kLoops = "--loops";
inline constexpr std::string_view kCurrent = "--current";
inline constexpr std::string_view kColor = "--color";
inline constexpr std::string_view kEnable = "--enable";
inline constexpr std::string_view kDisable = "--disable";
inline constexpr std::string_view kBrightness = "--brightness";
inline constexpr std::string_view kSpeed = "--speed";
inline constexpr std::string_view kDirection = "--direction";
}  // namespace options

struct ValueSpec {
    ValueKind kind = ValueKind::text;
    std::string_view words{};  // separated by spaces, for ValueKind::words
};

struct OptionSpec {
    std::string_view name;  // "--profile"
    ValueSpec value{ValueKind::none};

    bool takesValue() const { return value.kind != ValueKind::none; }
};

// One way of calling a command: its subcommand, if the command has them, then these options
// anywhere and these arguments in order.
struct CommandForm {
    std::string_view subcommand;
    std::span<const OptionSpec> options;
    std::span<const ValueSpec> arguments;
};

struct CommandSpec {
    std::string_view name;
    std::string_view summary;  // one line for "qx4ctl --help"
    std::string_view usage;    // what "qx4ctl NAME --help" prints
    std::span<const CommandForm> forms;

    bool hasSubcommands() const { return !forms.empty() && !forms.front().subcommand.empty(); }
};

// Sorted by name.
std::span<const CommandSpec> commandSpecs();
const CommandSpec* findCommandSpec(std::string_view name);
// The form of a subcommand; of a command without subcommands, its only form for "".
const CommandForm* findForm(const CommandSpec& command, std::string_view subcommand);
// Every option of every form, each name once, in the order of the forms.
std::vector<OptionSpec> allOptions(const CommandSpec& command);
// Whether any form of the command takes the option.
bool takesOption(const CommandSpec& command, std::string_view option);
// The subcommands, in the order of the forms; empty for a command without them.
std::vector<std::string_view> subcommandNames(const CommandSpec& command);
// The options of a command without subcommands (scanForm finds a subcommand's).
std::span<const OptionSpec> formOptions(std::string_view command);

// The arguments of one command split into options and the rest.
struct ScannedArguments {
    std::vector<std::string_view> positionals;
    std::vector<std::pair<std::string_view, std::string_view>> options;

    bool has(std::string_view name) const;
    std::optional<std::string_view> value(std::string_view name) const;
};

// Options anywhere, "--name value" or "--name=value", each at most once; "--" ends them. Anything
// starting with "--" that is not among options is a usage error that suggests the nearest.
std::variant<ScannedArguments, UsageError> scanArguments(std::span<const std::string_view> arguments,
                                                         std::span<const OptionSpec> options);

// The arguments of a command split by the options of its form. With subcommands, the first word
// that is no option names the form (a missing or unknown one is a usage error naming those there
// are) and is left out of the positionals.
struct ScannedForm {
    const CommandForm* form = nullptr;
    ScannedArguments arguments;
};
std::variant<ScannedForm, UsageError> scanForm(const CommandSpec& command, std::span<const std::string_view> arguments);

// What the last of words can be, words being what follows "qx4ctl" on the command line up to the
// word being typed: the command names, a command's subcommands or options, an option's values, or
// what an argument at that place is. Lists that need the data files (functions and macros) are
// left to the caller by kind; words holds the rest.
struct Completion {
    ValueKind kind = ValueKind::none;
    std::vector<std::string_view> words;
};
Completion completionFor(std::span<const std::string_view> words);

}  // namespace qx4::commands
