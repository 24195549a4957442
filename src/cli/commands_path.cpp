#include <ostream>

#include "cli/command.h"
#include "core/config/config_file.h"

namespace qx4::cli {
namespace {

int runPath(Arguments arguments, CommandIo& io);

const Command kPathCommand{
    "path",
    "print the data folder",
    "Usage: qx4ctl path\n"
    "Prints the folder that holds ms_1/Config_1.data and ms_1/macro.data: $QX4_DATA_DIR/Data\n"
    "when QX4_DATA_DIR is set, else $XDG_DATA_HOME/qx4-config/Data\n"
    "(~/.local/share/qx4-config/Data). A relative folder is refused, as is an unset or relative\n"
    "HOME where it is needed.\n",
    runPath,
};

int runPath(Arguments arguments, CommandIo& io) {
    if (handledHelp(kPathCommand, arguments, io)) return kExitSuccess;
    if (const int rejected = rejectArguments(kPathCommand, arguments, io)) return rejected;
    io.out << dataDirectory().string() << '\n';
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kPathCommand);

}  // namespace
}  // namespace qx4::cli
