// qx4ctl profile, dpi, rate and light: the profile bar, the DPI page and the lighting page.
#include "cli/command.h"
#include "cli/edit_runner.h"

namespace qx4::cli {
namespace {

int runProfile(Arguments arguments, CommandIo& io);
int runDpi(Arguments arguments, CommandIo& io);
int runRate(Arguments arguments, CommandIo& io);
int runLight(Arguments arguments, CommandIo& io);

const Command kProfileCommand = describedCommand("profile", runProfile);
const Command kDpiCommand = describedCommand("dpi", runDpi);
const Command kRateCommand = describedCommand("rate", runRate);
const Command kLightCommand = describedCommand("light", runLight);

int runProfile(Arguments arguments, CommandIo& io) { return runEditCommand(kProfileCommand, arguments, io); }
int runDpi(Arguments arguments, CommandIo& io) { return runEditCommand(kDpiCommand, arguments, io); }
int runRate(Arguments arguments, CommandIo& io) { return runEditCommand(kRateCommand, arguments, io); }
int runLight(Arguments arguments, CommandIo& io) { return runEditCommand(kLightCommand, arguments, io); }

[[maybe_unused]] const bool kRegistered = registerCommand(kProfileCommand) && registerCommand(kDpiCommand) &&
                                          registerCommand(kRateCommand) && registerCommand(kLightCommand);

}  // namespace
}  // namespace qx4::cli
