#include <ostream>
#include <system_error>

#include "cli/command.h"
#include "core/desktop/autostart.h"
#include "core/desktop/install_layout.h"

namespace qx4::cli {
namespace {

int runAutostart(Arguments arguments, CommandIo& io);

const Command kAutostartCommand = describedCommand("autostart", runAutostart);

// qx4-config beside this qx4ctl, as installed and in the build folder; else the one on the PATH.
std::filesystem::path configProgram() {
    const auto beside = runningProgramFolder() / "qx4-config";
    std::error_code error;
    return std::filesystem::is_regular_file(beside, error) ? beside : std::filesystem::path("qx4-config");
}

void printState(const AutostartState& state, CommandIo& io) {
    io.out << "Start at login: " << (state.enabled ? "on" : "off");
    if (!state.decidingEntry.empty()) io.out << " (" << state.decidingEntry.string() << ")";
    io.out << '\n';
}

int runAutostart(Arguments arguments, CommandIo& io) {
    if (handledHelp(kAutostartCommand, arguments, io)) return kExitSuccess;
    if (arguments.size() != 1) return usageError(kAutostartCommand, io, "say on, off or status");
    const std::string_view wanted = arguments.front();
    const AutostartFolders folders = autostartFolders();
    if (wanted == "on" || wanted == "off") {
        const std::string error = setAutostart(wanted == "on", folders, configProgram());
        if (!error.empty()) return failure(kAutostartCommand, io, error);
    } else if (wanted != "status") {
        return usageError(kAutostartCommand, io, "unexpected argument '" + std::string(wanted) + "'");
    }
    printState(autostartState(folders), io);
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kAutostartCommand);

}  // namespace
}  // namespace qx4::cli
