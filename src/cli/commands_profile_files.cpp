// qx4ctl export, import and reset: the profile-file and reset buttons of the window.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runExport(Arguments arguments, CommandIo& io);
int runImport(Arguments arguments, CommandIo& io);
int runReset(Arguments arguments, CommandIo& io);

const Command kExportCommand{
    "export",
    "write a profile to a profile file (*.pro)",
    "Usage: qx4ctl export [--profile N] FILE\n"
    "Writes profile N (1-5; the active profile when not given) to FILE, 32,872 bytes with the\n"
    "macros its buttons play, replacing FILE whole. The window's import reads it.\n",
    runExport,
};

const Command kImportCommand{
    "import",
    "read a profile file (*.pro) over a profile",
    "Usage: qx4ctl import [--profile N] FILE [--apply] [--simulate]\n"
    "Reads FILE over profile N (1-5; the active profile when not given), as the window's import\n"
    "does: the macros its buttons play join the macro library, under a free name when theirs is\n"
    "taken, and are printed. A file that is not exactly one profile is refused. --apply sends all\n"
    "five profiles.\n",
    runImport,
};

const Command kResetCommand{
    "reset",
    "set every profile back to its defaults",
    "Usage: qx4ctl reset [--apply] [--simulate]\n"
    "Sets all five profiles back to their defaults and makes profile 1 active, as the window's\n"
    "reset does. The macro library stays; buttons bound to macros lose them. --apply sends all\n"
    "five profiles.\n",
    runReset,
};

int runExport(Arguments arguments, CommandIo& io) { return runEditCommand(kExportCommand, arguments, io); }
int runImport(Arguments arguments, CommandIo& io) { return runEditCommand(kImportCommand, arguments, io); }
int runReset(Arguments arguments, CommandIo& io) { return runEditCommand(kResetCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered =
    registerCommand(kExportCommand) && registerCommand(kImportCommand) && registerCommand(kResetCommand);

}  // namespace
}  // namespace qx4::cli
