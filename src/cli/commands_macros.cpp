#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/printable_text.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runMacros(Arguments arguments, CommandIo& io);

const Command kMacrosCommand{
    "macros",
    "list the macro library",
    "Usage: qx4ctl macros\n"
    "Lists the macros of macro.data: position, name and number of steps. Exits with 1 when\n"
    "macro.data cannot be read whole.\n",
    runMacros,
};

int runMacros(Arguments arguments, CommandIo& io) {
    if (handledHelp(kMacrosCommand, arguments, io)) return kExitSuccess;
    if (const int rejected = rejectArguments(kMacrosCommand, arguments, io)) return rejected;

    MacroList macros;
    const auto problem = macroStoreProblem(loadMacros(macros));
    if (macros.empty() && !problem) io.out << "No macros.\n";
    std::size_t position = 1;
    for (const MacroRecord& macro : macros) {
        io.out << position++ << "  " << printable(macroNameText(macro.name)) << "  (" << macro.actionCount
               << (macro.actionCount == 1 ? " step)\n" : " steps)\n");
    }
    return problem ? failure(kMacrosCommand, io, *problem) : kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kMacrosCommand);

}  // namespace
}  // namespace qx4::cli
