// What the command line asks for. Apart from the options below, any argument at all only makes
// the program start in the tray (an autostart entry passes one); nothing else is read from it.
#pragma once

#include <string>

namespace qx4::gui {

struct CommandLine {
    enum class Action { run, showHelp, showVersion };
    Action action = Action::run;
    bool startHidden = false;
    bool simulate = false;  // use the virtual mouse's driver libraries for both links
};

CommandLine parseCommandLine(int argc, const char* const* argv);

std::string usageText(const std::string& programName);

}  // namespace qx4::gui
