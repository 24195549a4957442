#include "core/config/profile_file.h"

#include <string>

#include "core/config/atomic_file.h"
#include "core/config/config_range.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {

bool exportProfile(const DeviceConfig& config, const std::filesystem::path& path) {
    return writeFileAtomically(path, recordBytes(config.active()));
}

ProfileImportResult importProfile(DeviceConfig& config, MacroList& macros,
                                  const std::filesystem::path& path) {
    // One byte more than a profile is enough to tell a longer file from an exact one.
    const auto bytes = readFilePrefix(path, kProfileFileSize + 1);
    if (!bytes) return {ProfileImportStatus::unreadable, 0, false};
    if (bytes->size() != kProfileFileSize) return {ProfileImportStatus::wrongSize, 0, false};

    ProfileSettings incoming{};
    overlayRecord(incoming, *bytes);
    normalizeProfile(incoming, macros.size());

    const std::u16string nameless = utf8ToUtf16(path.stem().string());
    ProfileImportResult result{ProfileImportStatus::imported, 0, false};
    for (ButtonBinding& binding : incoming.buttons) {
        if (binding.functionCode != kMacroFunctionCode) continue;
        addMacroFromBinding(binding, macros, nameless);
        ++result.macrosAdded;
    }
    config.active() = incoming;
    if (result.macrosAdded > 0) result.macrosSaved = saveMacros(macros);
    return result;
}

}  // namespace qx4
