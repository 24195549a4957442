// The commands that change the configuration or the macro store, or write a profile or macro file:
// profile, dpi, rate, light, bind, macro (add, rename, delete, import, export, steps), import,
// export, reset. qx4ctl runs them on the data files when no copy of the program runs, and the
// program runs them on its live record when qx4ctl hands them over its socket; both parse the same
// arguments and apply them here, by the pages' rules, so the two cannot disagree. The caller only
// loads, saves, shows and sends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

#include "core/commands/command_grammar.h"
#include "core/commands/script_names.h"
#include "core/commands/send_result.h"
#include "core/config/device_config.h"

namespace qx4 {
class MacroList;
struct DataFilesSave;
}

namespace qx4::commands {

// What a command asks of the data, its arguments checked. Levels, buttons and profiles count from 0.
struct ChooseProfile { int profile; };
struct SetDpiValue { int level; std::int32_t storedValue; };
struct SetCurrentDpiLevel { int level; };
struct SetDpiColor { int level; StoredColor color; };
struct SetDpiLevelOn { int level; bool on; };
struct SetReportRate { int index; };
struct SetLighting {
    int mode;
    std::optional<StoredColor> color;
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<std::int32_t> direction;
};
struct Bind {
    enum class Kind { function, keys, macro, defaultFunction };
    int button = 0;
    Kind kind = Kind::function;
    std::uint8_t functionCode = 0;
    KeyCombination keys;
    std::u16string macroName;
    // Not given: a binding that plays a macro keeps its own, as the page's editor does, else
    // "times" once.
    std::optional<std::int32_t> repeatMode;
    std::optional<std::int32_t> loopCount;
};
struct AddMacro { std::u16string name; };
struct RenameMacro { std::u16string from; std::u16string to; };
struct DeleteMacro { std::u16string name; };
struct ImportMacro { std::filesystem::path file; };
struct ExportMacro { std::u16string name; std::filesystem::path file; };
struct SetMacroSteps { std::u16string name; std::vector<MacroAction> steps; };
struct ImportProfile { std::filesystem::path file; };
struct ExportProfile { std::filesystem::path file; };
struct ResetConfiguration {};

using EditAction = std::variant<ChooseProfile, SetDpiValue, SetCurrentDpiLevel, SetDpiColor, SetDpiLevelOn,
                                SetReportRate, SetLighting, Bind, AddMacro, RenameMacro, DeleteMacro, ImportMacro, ExportMacro, SetMacroSteps,
                                ImportProfile, ExportProfile, ResetConfiguration>;

struct EditCommand {
    EditAction action;
    std::optional<int> profile;   // --profile; the active profile when not given
    bool applyNow = false;        // --apply
    bool simulate = false;        // --simulate: qx4ctl sends through the virtual mouse's libraries
};

// The commands parseEditCommand takes, by their first argument.
bool isEditCommand(std::string_view name);

// The arguments as typed, the command's name first; file names are taken from workingFolder. A
// command line that a request to the program could not carry is a usage error, so that the
// program takes whatever qx4ctl takes on the data files.
std::variant<EditCommand, UsageError> parseEditCommand(std::span<const std::string_view> arguments,
                                                       const std::filesystem::path& workingFolder);

// Commands that change bindings or the macro store. The program takes them only while no page
// holds an edit of its own that they could undo or that could undo them.
bool changesBindingsOrMacros(const EditCommand& command);

enum class ApplyKind : std::uint8_t { none, incremental, full };

// What the caller does after a command: save what changed, show it, and send it.
struct Effects {
    bool recordChanged = false;   // save Config_1.data; the pages show the record again
    bool macrosChanged = false;   // save macro.data; the macro lists are filled again
    bool reset = false;           // every profile holds its defaults: edits in progress end
    bool profileChosen = false;   // the profile bar shows the active profile
    ApplyKind apply = ApplyKind::none;
    bool applyAsked = false;      // --apply given: a send that does not happen is a failure
};

struct EditOutcome {
    int exitCode = 0;    // 0, or 1 when the command was refused and nothing changed
    std::string out;     // what it did, in lines for standard output
    std::string error;   // one line for standard error: why it was refused, or a note
    Effects effects;
};

struct Workspace {
    DeviceConfig& config;
    MacroList& macros;
};

EditOutcome executeEdit(const EditCommand& command, Workspace workspace);

// "cannot write FILE: REASON", the reason as the system gave it.
std::string cannotWrite(const std::filesystem::path& file, std::error_code reason);

// The one line on standard error when the data files could not take a command's change:
// "cannot write FILE: REASON; nothing was changed", or which file was saved all the same.
std::string saveFailureText(const DataFilesSave& save);

// The end of the send an edit asked for, and what it adds to the outcome: a line on standard
// output when the mouse took everything, else a line on standard error, which fails the command
// only when --apply asked for the send.
void addSendResult(EditOutcome& outcome, const SendResult& result);

}  // namespace qx4::commands
