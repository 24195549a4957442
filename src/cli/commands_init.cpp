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

const Command kInitCommand = describedCommand("init", runInit);

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
