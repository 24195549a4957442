// qx4ctl macros and macro: the macro library, listed, shown and edited as the macro page does.
#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/edit_runner.h"
#include "core/commands/json_writer.h"
#include "core/commands/macro_step_text.h"
#include "core/commands/printable_text.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runMacros(Arguments arguments, CommandIo& io);
int runMacro(Arguments arguments, CommandIo& io);

const Command kMacrosCommand{
    "macros",
    "list the macro library",
    "Usage: qx4ctl macros [--json | --names]\n"
    "Lists the macros of macro.data: position, name and number of steps; with --names only the\n"
    "names, one a line; with --json\n"
    "  {\"macros\": [{\"position\": 1, \"name\": \"...\", \"step_count\": 4, \"steps\": \"...\"}]}\n"
    "where steps is written as qx4ctl macro steps takes it. Exits with 1 when macro.data cannot be\n"
    "read whole. 'qx4ctl macro list' is the same.\n",
    runMacros,
};

const Command kMacroCommand{
    "macro",
    "show, add, rename, delete, import, export or edit a macro",
    "Usage: qx4ctl macro list [--json | --names]\n"
    "       qx4ctl macro show NAME\n"
    "       qx4ctl macro add NAME\n"
    "       qx4ctl macro rename OLD NEW\n"
    "       qx4ctl macro delete NAME\n"
    "       qx4ctl macro import FILE\n"
    "       qx4ctl macro export NAME FILE\n"
    "       qx4ctl macro steps NAME \"STEPS\"\n"
    "  (add, rename, delete, import and steps also take --apply and --simulate)\n"
    "Works on the macro library as the macro page does. Names are 1-23 characters and unique\n"
    "regardless of case; add and import print the name the macro got. Buttons that play a macro\n"
    "follow a rename, take new steps, and fall back to their own function when it is deleted.\n"
    "STEPS lists at most 46 steps, separated by commas: a key, 'down' or 'up', and the pause after\n"
    "it in milliseconds (0-65535), which the last step may leave out:\n"
    "  qx4ctl macro steps Copy \"Ctrl down 20, C down 20, C up 20, Ctrl up\"\n"
    "Keys are named as the window names them: A-Z, 0-9, F1-F12, Enter, Esc, Space, Tab, Page Up,\n"
    "Ctrl, Shift, Alt, Win (the right-hand ones RCtrl, RShift, RAlt, RWin), Comma, ..., the mouse\n"
    "buttons L_Button, R_Button, M_Button, Backward_Button, Forward_Button, or any code as 0xNN.\n"
    "macro show prints the steps the same way, so its output can be given to macro steps.\n",
    runMacro,
};

int listMacros(const Command& command, Arguments arguments, CommandIo& io) {
    const bool json = !arguments.empty() && arguments.front() == "--json";
    const bool names = !arguments.empty() && arguments.front() == "--names";
    if (arguments.size() > 1 || (!arguments.empty() && !json && !names)) {
        return usageError(command, io, "unexpected argument '" + std::string(arguments.back()) + "'");
    }
    MacroList macros;
    const auto problem = macroStoreProblem(loadMacros(macros));
    std::size_t position = 1;
    if (json) {
        commands::JsonWriter writer;
        writer.beginObject().key("macros").beginArray();
        for (const MacroRecord& macro : macros) {
            const auto steps = std::span(macro.actions).first(static_cast<std::size_t>(macro.actionCount));
            writer.beginObject();
            writer.key("position").value(static_cast<std::int64_t>(position++));
            writer.key("name").value(utf16ToUtf8(macroNameText(macro.name)));
            writer.key("step_count").value(macro.actionCount);
            writer.key("steps").value(commands::stepsText(steps));
            writer.endObject();
        }
        io.out << writer.endArray().endObject().finish();
    } else {
        if (macros.empty() && !problem && !names) io.out << "No macros.\n";
        for (const MacroRecord& macro : macros) {
            const std::string name = commands::printable(macroNameText(macro.name));
            if (names) {
                io.out << name << '\n';
                continue;
            }
            io.out << position++ << "  " << name << "  (" << macro.actionCount
                   << (macro.actionCount == 1 ? " step)\n" : " steps)\n");
        }
    }
    return problem ? failure(command, io, *problem) : kExitSuccess;
}

int showMacro(Arguments arguments, CommandIo& io) {
    if (arguments.size() != 1) return usageError(kMacroCommand, io, "expected macro show NAME");
    MacroList macros;
    loadMacrosOrWarn(macros, kMacroCommand, io);
    const std::u16string name = utf8ToUtf16(arguments.front());
    const auto position = findMacro(name, macros);
    if (!position) return failure(kMacroCommand, io, "no macro is named '" + commands::printable(name) + "'");
    const MacroRecord& macro = macros.at(*position);
    io.out << commands::stepsText(std::span(macro.actions).first(static_cast<std::size_t>(macro.actionCount))) << '\n';
    return kExitSuccess;
}

int runMacros(Arguments arguments, CommandIo& io) {
    if (handledHelp(kMacrosCommand, arguments, io)) return kExitSuccess;
    return listMacros(kMacrosCommand, arguments, io);
}

int runMacro(Arguments arguments, CommandIo& io) {
    const std::string_view what = arguments.empty() ? std::string_view() : arguments.front();
    if (what != "list" && what != "show") return runEditCommand(kMacroCommand, arguments, io);
    if (handledHelp(kMacroCommand, arguments, io)) return kExitSuccess;
    return what == "list" ? listMacros(kMacroCommand, arguments.subspan(1), io) : showMacro(arguments.subspan(1), io);
}

[[maybe_unused]] const bool kRegistered = registerCommand(kMacrosCommand) && registerCommand(kMacroCommand);

}  // namespace
}  // namespace qx4::cli
