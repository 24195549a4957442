// qx4ctl profile, dpi, rate and light: the profile bar, the DPI page and the lighting page.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runProfile(Arguments arguments, CommandIo& io);
int runDpi(Arguments arguments, CommandIo& io);
int runRate(Arguments arguments, CommandIo& io);
int runLight(Arguments arguments, CommandIo& io);

const Command kProfileCommand{
    "profile",
    "make a profile the active one and send it",
    "Usage: qx4ctl profile N [--apply] [--simulate]\n"
    "Makes profile N (1-5) the active one and sends it to the mouse at once, as the profile bar\n"
    "does. Without a mouse the choice is saved and a note says it goes with the next apply; with\n"
    "--apply that is a failure.\n",
    runProfile,
};

const Command kDpiCommand{
    "dpi",
    "set a DPI level, the current level, a level's colour, or switch a level on or off",
    "Usage: qx4ctl dpi [--profile N] LEVEL DPI [--apply] [--simulate]\n"
    "       qx4ctl dpi [--profile N] --current LEVEL [--apply] [--simulate]\n"
    "       qx4ctl dpi [--profile N] --color LEVEL #RRGGBB [--apply] [--simulate]\n"
    "       qx4ctl dpi [--profile N] --enable|--disable LEVEL [--apply] [--simulate]\n"
    "Sets the DPI of level LEVEL (1-8), makes it the current level, sets its indicator colour, or\n"
    "switches it on or off, in profile N (1-5; the active profile when not given). DPI is written\n"
    "as the window shows it, e.g. 1600; the mouse holds 100-4900 in steps of 100 and 5000-9800 in\n"
    "steps of 200, and other values are refused. The mouse skips a level that is off, so such a\n"
    "level cannot be current; the current level and the last level that is on cannot be switched\n"
    "off.\n",
    runDpi,
};

const Command kRateCommand{
    "rate",
    "set the report rate",
    "Usage: qx4ctl rate [--profile N] HZ [--apply] [--simulate]\n"
    "Sets the report rate of profile N (1-5; the active profile when not given): 125, 250, 500 or\n"
    "1000 reports a second.\n",
    runRate,
};

const Command kLightCommand{
    "light",
    "set the lighting effect and its settings",
    "Usage: qx4ctl light [--profile N] EFFECT [--color #RRGGBB] [--brightness B] [--speed S]\n"
    "                    [--direction forward|backward] [--apply] [--simulate]\n"
    "Sets the lighting of profile N (1-5; the active profile when not given). Each effect takes\n"
    "only the settings it uses; a setting not given keeps its stored value. Brightness and speed\n"
    "are 1-8.\n"
    "  off                                  no settings\n"
    "  steady                               --color, --brightness\n"
    "  breathing                            --color, --speed\n"
    "  color_cycle, spectrum_breathing      --speed\n"
    "  rainbow                              --brightness\n"
    "  wave                                 --speed, --direction\n"
    "  neon, flicker, ripple, reactive      --speed\n"
    "  rainbow_wave                         --brightness, --speed, --direction\n",
    runLight,
};

int runProfile(Arguments arguments, CommandIo& io) { return runEditCommand(kProfileCommand, arguments, io); }
int runDpi(Arguments arguments, CommandIo& io) { return runEditCommand(kDpiCommand, arguments, io); }
int runRate(Arguments arguments, CommandIo& io) { return runEditCommand(kRateCommand, arguments, io); }
int runLight(Arguments arguments, CommandIo& io) { return runEditCommand(kLightCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered = registerCommand(kProfileCommand) && registerCommand(kDpiCommand) &&
                                          registerCommand(kRateCommand) && registerCommand(kLightCommand);

}  // namespace
}  // namespace qx4::cli
