#include "core/edit/profile_file.h"

#include <string>

#include "core/config/atomic_file.h"
#include "core/config/config_range.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {

bool exportProfile(const ProfileSettings& profile, const std::filesystem::path& path, std::error_code* reason) {
    return writeFileAtomically(path, recordBytes(profile), FileUse::sharedFile, reason);
}

bool exportProfile(const DeviceConfig& config, const std::filesystem::path& path) {
    return exportProfile(config.active(), path);
}

ProfileImportResult importProfileImage(DeviceConfig& config, MacroList& macros, std::span<const std::byte> image,
                                       std::u16string_view nameless) {
    if (image.size() != kProfileFileSize) return {ProfileImportStatus::wrongSize, 0, false};
    ProfileSettings incoming{};
    overlayRecord(incoming, image);
    normalizeProfile(incoming, macros.size());

    ProfileImportResult result{ProfileImportStatus::imported, 0, false};
    for (ButtonBinding& binding : incoming.buttons) {
        if (binding.functionCode != kMacroFunctionCode) continue;
        addMacroFromBinding(binding, macros, nameless);
        ++result.macrosAdded;
    }
    config.active() = incoming;
    return result;
}

ProfileImportResult importProfile(DeviceConfig& config, MacroList& macros,
                                  const std::filesystem::path& path) {
    const FileRead file = readRegularFile(path, kProfileFileSize);
    if (file.status == ReadStatus::notRegularFile) return {ProfileImportStatus::notRegularFile, 0, false};
    if (file.status != ReadStatus::read) return {ProfileImportStatus::unreadable, 0, false};
    if (file.size != kProfileFileSize) return {ProfileImportStatus::wrongSize, 0, false};

    ProfileImportResult result = importProfileImage(config, macros, file.bytes, utf8ToUtf16(path.stem().string()));
    if (result.macrosAdded > 0) result.macrosSaved = saveMacros(macros);
    return result;
}

}  // namespace qx4
