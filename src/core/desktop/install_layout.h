// Where the program's companions are, found from the folder of the running program: beside it in
// the build folder, or in the installed tree around it (bin/, lib/qx4-config/plugins/,
// share/qx4-config/res/, lib/udev/rules.d/) under whatever prefix it was installed to.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace qx4 {

// The folder of the running program's executable; empty when the system does not say.
std::filesystem::path runningProgramFolder();

// In the order they are searched: the program's own folder, then the installed plug-in folder.
std::vector<std::filesystem::path> pluginFoldersFor(const std::filesystem::path& programFolder);
// res/ beside the program (the build folder), then the installed data folder's res/.
std::vector<std::filesystem::path> resourceFoldersFor(const std::filesystem::path& programFolder);

// The udev rule that opens the mouse to the user at the seat: the installed copy beside an
// installed program, else the one in the source tree the program was built from. nullopt when
// neither is there (a program copied somewhere on its own).
std::optional<std::filesystem::path> udevRuleFor(const std::filesystem::path& programFolder);
inline constexpr const char* kUdevRuleFileName = "70-qx4-mouse.rules";

}  // namespace qx4
