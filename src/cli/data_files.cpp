#include "cli/data_files.h"

#include <ostream>

namespace qx4::cli {

std::string cannotRead(const std::filesystem::path& path, bool notRegularFile, std::error_code error) {
    std::string message = "cannot read " + path.string();
    if (notRegularFile) return message + ": not a regular file";
    if (error) return message + ": " + error.message();
    return message;
}

std::string cannotRead(const std::filesystem::path& path, const ConfigLoadResult& loaded) {
    return cannotRead(path, loaded.notRegularFile, loaded.readError);
}

std::optional<std::string> unkeptMisfit(const std::filesystem::path& path, const ConfigLoadResult& loaded) {
    if (!(loaded.damaged || loaded.overlong) || !loaded.damagedCopy.empty()) return std::nullopt;
    return path.string() + " has the wrong size and no copy of it could be kept; it is left as it is";
}

std::optional<std::string> macroStoreProblem(const MacroLoadResult& loaded) {
    const std::filesystem::path path = macroFilePath();
    constexpr std::string_view kLeftAlone = "; its macros are left out and it is left as it is";
    switch (loaded.problem) {
        case MacroStoreProblem::none:
            return std::nullopt;
        case MacroStoreProblem::unreadable:
            return cannotRead(path, false, loaded.readError) + std::string(kLeftAlone);
        case MacroStoreProblem::notRegularFile:
            return cannotRead(path, true, {}) + std::string(kLeftAlone);
        case MacroStoreProblem::tooLarge:
            return path.string() + " holds " + std::to_string(loaded.recordsInFile) + " macros; only the first " +
                   std::to_string(kMacroStoreCapacity) + " are read, and it is left as it is";
    }
    return std::nullopt;
}

void loadMacrosOrWarn(MacroList& list, const Command& command, CommandIo& io) {
    if (const auto problem = macroStoreProblem(loadMacros(list))) {
        io.err << "qx4ctl " << command.name << ": " << *problem << '\n';
    }
}

}  // namespace qx4::cli
