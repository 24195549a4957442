#include <ostream>

#include "cli/command.h"
#include "core/config/config_file.h"

namespace qx4::cli {
namespace {

int runPath(Arguments arguments, CommandIo& io);

const Command kPathCommand = describedCommand("path", runPath);

int runPath(Arguments arguments, CommandIo& io) {
    if (handledHelp(kPathCommand, arguments, io)) return kExitSuccess;
    if (const int rejected = rejectArguments(kPathCommand, arguments, io)) return rejected;
    io.out << dataDirectory().string() << '\n';
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kPathCommand);

}  // namespace
}  // namespace qx4::cli
