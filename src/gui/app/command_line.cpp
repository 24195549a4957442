#include "gui/app/command_line.h"

#include <string_view>

namespace qx4::gui {

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            result.action = CommandLine::Action::showHelp;
        } else if (argument == "--version") {
            result.action = CommandLine::Action::showVersion;
        } else if (argument == "--simulate") {
            result.simulate = true;
        } else {
            result.startHidden = true;
        }
    }
    return result;
}

std::string usageText(const std::string& programName) {
    return "Usage: " + programName + " [--simulate] [--help] [--version] [ARGUMENT...]\n"
           "Configures the KESTRA QX4 wireless mouse from the system tray.\n"
           "\n"
           "  --simulate  talk to qx4-virtual-mouse instead of a real mouse\n"
           "  --help      show this text and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "Any other argument starts the program in the tray without showing its window\n"
           "(autostart entries pass one). Only one copy runs per user: starting it again\n"
           "brings the running copy's window forward.\n";
}

}  // namespace qx4::gui
