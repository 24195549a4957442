// How qx4ctl carries out the commands of the shared command module (core/commands/edit_command.h):
// handed to qx4-config while it runs, which applies them as edits on its pages; otherwise on the
// data files, under the instance lock, replaced atomically, and sent to the mouse through qx4ctl's
// own link when the command asks for it.
#pragma once

#include "cli/command.h"

namespace qx4::cli {

int runEditCommand(const Command& command, Arguments arguments, CommandIo& io);

}  // namespace qx4::cli
