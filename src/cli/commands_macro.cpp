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

const Command kMacrosCommand = describedCommand("macros", runMacros);
const Command kMacroCommand = describedCommand("macro", runMacro);

int listMacros(const Command& command, std::optional<ListForm> list, CommandIo& io) {
    if (!list) return kExitUsage;
    const bool json = *list == ListForm::json;
    const bool names = *list == ListForm::names;
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

int showMacro(const commands::ScannedArguments& scanned, CommandIo& io) {
    const auto& arguments = scanned.positionals;
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
    return listMacros(kMacrosCommand, listForm(kMacrosCommand, arguments, io), io);
}

int runMacro(Arguments arguments, CommandIo& io) {
    // list and show read the library here; the subcommands that change it are edits.
    const commands::CommandSpec* described = commands::findCommandSpec(kMacroCommand.name);
    const std::variant<commands::ScannedForm, commands::UsageError> scanned =
        described ? commands::scanForm(*described, arguments) : commands::UsageError{};
    const auto* form = std::get_if<commands::ScannedForm>(&scanned);
    const std::string_view what = form ? form->form->subcommand : std::string_view();
    if (what != "list" && what != "show") return runEditCommand(kMacroCommand, arguments, io);
    if (handledHelp(kMacroCommand, arguments, io)) return kExitSuccess;
    if (what == "show") return showMacro(form->arguments, io);
    return listMacros(kMacroCommand, listForm(kMacroCommand, form->arguments, io), io);
}

[[maybe_unused]] const bool kRegistered = registerCommand(kMacrosCommand) && registerCommand(kMacroCommand);

}  // namespace
}  // namespace qx4::cli
