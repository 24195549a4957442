// qx4ctl bind: the button page's editor from a terminal.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runBind(Arguments arguments, CommandIo& io);

const Command kBindCommand{
    "bind",
    "bind a button to a function, a key combination or a macro",
    "Usage: qx4ctl bind [--profile N] BUTTON FUNCTION [--apply] [--simulate]\n"
    "       qx4ctl bind [--profile N] BUTTON macro:NAME [--repeat times|hold|toggle] [--loops N]\n"
    "Binds button BUTTON (1-12) of profile N (1-5; the active profile when not given) and prints\n"
    "the new binding. FUNCTION is\n"
    "  a function as qx4ctl show prints it: left_click, volume_up, dpi_cycle, ...\n"
    "  a key combination: Ctrl+, Shift+, Alt+ and Win+ in front of a key, as in Ctrl+Shift+C,\n"
    "    or a key alone, as in F5 (a function of the same name wins)\n"
    "  macro:NAME, a stored macro, played --loops times (1-255), while the button is held\n"
    "    (--repeat hold), or on one press and off the next (--repeat toggle). A button that\n"
    "    plays a macro already keeps its mode and count where they are not given (a mode the\n"
    "    mouse cannot take, from a damaged file, becomes times); any other plays it once\n"
    "  default, the button's own function\n"
    "qx4ctl functions lists them. A profile keeps a left click: binding its only left click to\n"
    "something else is refused. --apply sends all five profiles, as the button page does.\n",
    runBind,
};

int runBind(Arguments arguments, CommandIo& io) { return runEditCommand(kBindCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered = registerCommand(kBindCommand);

}  // namespace
}  // namespace qx4::cli
