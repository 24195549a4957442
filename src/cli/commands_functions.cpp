// qx4ctl functions: every name qx4ctl bind takes.
#include <ostream>

#include "cli/command.h"
#include "cli/completion.h"
#include "cli/data_files.h"
#include "core/commands/json_writer.h"
#include "core/commands/printable_text.h"
#include "core/commands/script_names.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runFunctions(Arguments arguments, CommandIo& io);

const Command kFunctionsCommand = describedCommand("functions", runFunctions);

constexpr std::size_t kLineWidth = 96;
constexpr std::string_view kIndent = "            ";
constexpr std::array<std::string_view, 4> kModifiers{"Ctrl", "Shift", "Alt", "Win"};

// Words separated by commas, wrapped under kIndent.
void printWrapped(std::ostream& out, std::string_view label, const std::vector<std::string>& words) {
    std::string line = "  " + std::string(label);
    line.resize(kIndent.size(), ' ');
    bool first = true;
    for (const std::string& word : words) {
        const std::string piece = first ? word : ", " + word;
        if (!first && line.size() + piece.size() > kLineWidth) {
            out << line << ",\n";
            line = std::string(kIndent) + word;
        } else {
            line += piece;
        }
        first = false;
    }
    out << line << '\n';
}

std::vector<std::string> macroFunctions(const MacroList& macros, bool forTerminal) {
    std::vector<std::string> names;
    for (const MacroRecord& macro : macros) {
        const std::u16string name = macroNameText(macro.name);
        names.push_back("macro:" + (forTerminal ? commands::printable(name) : utf16ToUtf8(name)));
    }
    return names;
}

std::vector<std::string> keyNames() {
    std::vector<std::string> keys;
    for (const std::uint8_t code : commands::namedKeyCodes()) keys.push_back(commands::keyName(code));
    return keys;
}

void printJson(const MacroList& macros, std::ostream& out) {
    commands::JsonWriter writer;
    writer.beginObject().key("groups").beginArray();
    for (const commands::SelectorGroup& group : commands::selectorGroups()) {
        writer.beginObject().key("group").value(group.name).key("functions").beginArray();
        for (const std::uint8_t code : group.codes) writer.value(commands::functionName(code));
        writer.endArray().endObject();
    }
    writer.endArray();
    writer.key("default").value("default");
    writer.key("modifiers").beginArray();
    for (const std::string_view modifier : kModifiers) writer.value(modifier);
    writer.endArray().key("keys").beginArray();
    for (const std::string& key : keyNames()) writer.value(key);
    writer.endArray().key("repeat_modes").beginArray();
    for (std::int32_t mode = 0; mode < 3; ++mode) writer.value(commands::repeatModeName(mode));
    writer.endArray().key("macros").beginArray();
    for (const std::string& macro : macroFunctions(macros, false)) writer.value(macro);
    out << writer.endArray().endObject().finish();
}

void printText(const MacroList& macros, std::ostream& out) {
    out << "Functions, by the button page's groups:\n";
    for (const commands::SelectorGroup& group : commands::selectorGroups()) {
        std::vector<std::string> names;
        for (const std::uint8_t code : group.codes) names.push_back(commands::functionName(code));
        printWrapped(out, group.name, names);
    }
    out << "  default   the button's own function\n";
    out << "Key combinations: Ctrl+, Shift+, Alt+ and Win+ before a key, as in Ctrl+Shift+C. Keys:\n";
    printWrapped(out, "", keyNames());
    out << "Macros, as macro:NAME [--repeat times|hold|toggle] [--loops 1-255]:\n";
    const std::vector<std::string> names = macroFunctions(macros, true);
    if (names.empty()) out << "  none yet (qx4ctl macro add NAME)\n";
    else printWrapped(out, "", names);
}

int runFunctions(Arguments arguments, CommandIo& io) {
    if (handledHelp(kFunctionsCommand, arguments, io)) return kExitSuccess;
    const auto list = listForm(kFunctionsCommand, arguments, io);
    if (!list) return kExitUsage;
    MacroList macros;
    loadMacrosOrWarn(macros, kFunctionsCommand, io);
    if (*list == ListForm::json) {
        printJson(macros, io.out);
    } else if (*list == ListForm::names) {
        for (const std::string& name : bindableNames(macros)) io.out << name << '\n';
    } else {
        printText(macros, io.out);
    }
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kFunctionsCommand);

}  // namespace
}  // namespace qx4::cli
