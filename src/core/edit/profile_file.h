// Profile files (*.pro): the raw image of one ProfileSettings block, nothing before or after it.
// A binding that holds a macro carries the whole macro, so a file is self-contained; importing it
// adds those macros to the macro store under free names.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

#include "core/config/device_config.h"

namespace qx4 {

class MacroList;

inline constexpr std::size_t kProfileFileSize = sizeof(ProfileSettings);  // 32,872

// Writes the block of a profile, or of the active one, replacing the file atomically. The file is
// for sharing: a new one follows the umask, and its folder must be there. False when it could not
// be written, with the system's reason in `reason` when given.
bool exportProfile(const ProfileSettings& profile, const std::filesystem::path& path,
                   std::error_code* reason = nullptr);
bool exportProfile(const DeviceConfig& config, const std::filesystem::path& path);

enum class ProfileImportStatus {
    imported,        // the active profile now holds the file's block
    unreadable,      // the file could not be opened or read; nothing changed
    notRegularFile,  // a folder, FIFO or device, which is never opened; nothing changed
    wrongSize,       // not exactly kProfileFileSize bytes, so not a profile; nothing changed
};

struct ProfileImportResult {
    ProfileImportStatus status = ProfileImportStatus::unreadable;
    std::size_t macrosAdded = 0;
    bool macrosSaved = false;  // macro.data was written; false as well when no macro was added
};

// Reads a profile file over the active profile. Values that select or count entries are brought
// into range first. Every binding with the macro function adds its macro to the store under the
// binding's name, or the first free "<name>_<n>" (kept within 23 units), and is pointed at it;
// a binding without a name uses the file's name. The store is saved when a macro was added.
ProfileImportResult importProfile(DeviceConfig& config, MacroList& macros,
                                  const std::filesystem::path& path);

// The same for a file's contents already in memory, without saving the store; nameless is the
// name for a nameless binding's macro. macrosSaved stays false.
ProfileImportResult importProfileImage(DeviceConfig& config, MacroList& macros, std::span<const std::byte> image,
                                       std::u16string_view nameless);

}  // namespace qx4
