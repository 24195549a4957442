// qx4ctl bind: the button page's editor from a terminal.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runBind(Arguments arguments, CommandIo& io);

const Command kBindCommand = describedCommand("bind", runBind);

int runBind(Arguments arguments, CommandIo& io) { return runEditCommand(kBindCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered = registerCommand(kBindCommand);

}  // namespace
}  // namespace qx4::cli
