#include <memory>
#include <ostream>

#include "cli/command.h"
#include "cli/data_files.h"
#include "cli/running_program.h"
#include "core/commands/edit_command.h"
#include "core/config/config_file.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {
namespace {

int runInit(Arguments arguments, CommandIo& io);

const Command kInitCommand{
    "init",
    "load or create Config_1.data and print its path",
    "Usage: qx4ctl init\n"
    "Loads the configuration file, or creates it with the defaults when there is none, and\n"
    "prints its path. A file shorter than a configuration is kept as Config_1.data.damaged and\n"
    "completed with the defaults; a longer one is kept so and cut to its first configuration.\n"
    "While qx4-config runs, it has loaded the file already: it saves what it holds and init only\n"
    "prints the path.\n",
    runInit,
};

int runInit(Arguments arguments, CommandIo& io) {
    if (handledHelp(kInitCommand, arguments, io)) return kExitSuccess;
    if (const int rejected = rejectArguments(kInitCommand, arguments, io)) return rejected;

    // Without the program, the lock keeps another qx4ctl from writing the file meanwhile.
    RunningProgram program = RunningProgram::findOrLockDataFiles();
    if (program.state() != RunningProgram::State::notRunning) {
        program.syncDataFiles(kInitCommand, io);
        io.out << configFilePath().string() << '\n';
        return kExitSuccess;
    }
    MacroList macros;
    loadMacrosOrWarn(macros, kInitCommand, io);
    auto config = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = loadConfig(*config, macros.size());
    const std::string path = configFilePath().string();

    if (loaded.unreadable) return failure(kInitCommand, io, cannotRead(path, loaded));
    if (loaded.createdDefaults && !loaded.savedDefaults) {
        return failure(kInitCommand, io, commands::cannotWrite(path, loaded.saveError));
    }
    if (const auto unkept = unkeptMisfit(path, loaded)) return failure(kInitCommand, io, *unkept);
    if (loaded.damaged || loaded.overlong) {
        std::error_code reason;
        if (!saveConfig(*config, &reason)) return failure(kInitCommand, io, commands::cannotWrite(path, reason));
        io.err << "qx4ctl init: " << path << (loaded.damaged ? " was shorter" : " was longer")
               << " than a configuration; kept it as " << loaded.damagedCopy.string()
               << (loaded.damaged ? " and completed it with the defaults\n" : " and kept its first configuration\n");
    }
    io.out << path << '\n';
    return kExitSuccess;
}

[[maybe_unused]] const bool kRegistered = registerCommand(kInitCommand);

}  // namespace
}  // namespace qx4::cli
