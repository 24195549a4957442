// How qx4ctl loads the data files and words what it could not read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "cli/command.h"
#include "core/config/config_file.h"
#include "core/macro/macro_store.h"

namespace qx4::cli {

// "cannot read PATH: not a regular file", "cannot read PATH: Permission denied", ...
std::string cannotRead(const std::filesystem::path& path, bool notRegularFile, std::error_code error);
std::string cannotRead(const std::filesystem::path& path, const ConfigLoadResult& loaded);

// Why a configuration file of the wrong size must be left as it is: no copy of it could be kept,
// and a save would cut or complete it. nullopt when it has the right size or was kept.
std::optional<std::string> unkeptMisfit(const std::filesystem::path& path, const ConfigLoadResult& loaded);

// What was not read of macro.data, in one sentence that also says the file is left alone;
// nullopt when it was read whole or is not there.
std::optional<std::string> macroStoreProblem(const MacroLoadResult& loaded);

// Loads macro.data for a command that goes on without what it could not read: a problem is one
// warning line on err.
void loadMacrosOrWarn(MacroList& list, const Command& command, CommandIo& io);

}  // namespace qx4::cli
