#include "cli/completion.h"

#include <ostream>

#include "core/commands/command_grammar.h"
#include "core/commands/printable_text.h"
#include "core/commands/script_names.h"
#include "core/config/config_file.h"

namespace qx4::cli {

std::vector<std::string> macroNames(const MacroList& macros) {
    std::vector<std::string> names;
    for (const MacroRecord& macro : macros) names.push_back(commands::printable(macroNameText(macro.name)));
    return names;
}

std::vector<std::string> bindableNames(const MacroList& macros) {
    std::vector<std::string> names;
    for (const std::uint8_t code : commands::offeredFunctionCodes()) names.push_back(commands::functionName(code));
    names.emplace_back("default");
    for (const std::string& macro : macroNames(macros)) names.push_back("macro:" + macro);
    return names;
}

int printCompletion(Arguments words, std::ostream& out) {
    const commands::Completion completion = commands::completionFor(words);
    if (completion.kind == commands::ValueKind::file) {
        out << "files\n";
        return kExitSuccess;
    }
    out << "words\n";
    for (const std::string_view word : completion.words) out << word << '\n';
    const bool functions = completion.kind == commands::ValueKind::functions;
    if (!functions && completion.kind != commands::ValueKind::macros) return kExitSuccess;
    // Without a usable data folder there are no macros to offer, and nothing to say about it.
    MacroList macros;
    if (!dataDirectoryProblem()) loadMacros(macros);
    for (const std::string& name : functions ? bindableNames(macros) : macroNames(macros)) out << name << '\n';
    return kExitSuccess;
}

}  // namespace qx4::cli
