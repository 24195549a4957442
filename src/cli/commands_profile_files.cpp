// qx4ctl export, import and reset: the profile-file and reset buttons of the window.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runExport(Arguments arguments, CommandIo& io);
int runImport(Arguments arguments, CommandIo& io);
int runReset(Arguments arguments, CommandIo& io);

const Command kExportCommand = describedCommand("export", runExport);
const Command kImportCommand = describedCommand("import", runImport);
const Command kResetCommand = describedCommand("reset", runReset);

int runExport(Arguments arguments, CommandIo& io) { return runEditCommand(kExportCommand, arguments, io); }
int runImport(Arguments arguments, CommandIo& io) { return runEditCommand(kImportCommand, arguments, io); }
int runReset(Arguments arguments, CommandIo& io) { return runEditCommand(kResetCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered =
    registerCommand(kExportCommand) && registerCommand(kImportCommand) && registerCommand(kResetCommand);

}  // namespace
}  // namespace qx4::cli
