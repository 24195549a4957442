#include "core/config/atomic_file.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4 {

std::optional<MacroRecord> decodeMacroFile(std::span<const std::byte> bytes) {
    if (bytes.size() != kMacroRecordSize) return std::nullopt;
    MacroRecord record{};
    overlayRecord(record, bytes);
    normalizeMacroRecord(record);
    return record;
}

MacroRecord& appendImportedMacro(MacroRecord record, std::u16string_view fileStem, MacroList& list) {
    std::u16string name = macroNameText(record.name);
    if (name.empty()) name = fileStem;
    if (name != macroNameText(record.name) || macroNameExists(name, list)) {
        record.name = toMacroName(uniqueMacroName(name, list));
    }
    return list.append(record);
}

MacroStoreChange importMacroFile(const std::filesystem::path& path, MacroList& list) {
    if (const auto refusal = refusalToAddMacro(list)) return {nullptr, false, *refusal};
    const FileRead file = readRegularFile(path, kMacroRecordSize);
    if (file.status == ReadStatus::notRegularFile) return {nullptr, false, MacroRefusal::fileNotRegular};
    if (file.status != ReadStatus::read) return {nullptr, false, MacroRefusal::fileUnreadable};
    const auto record = file.size == kMacroRecordSize ? decodeMacroFile(file.bytes) : std::nullopt;
    if (!record) return {nullptr, false, MacroRefusal::fileWrongSize};

    MacroStoreChange change;
    change.record = &appendImportedMacro(*record, utf8ToUtf16(path.stem().string()), list);
    change.saved = saveMacros(list);
    return change;
}

bool exportMacroFile(const MacroRecord& record, const std::filesystem::path& path, std::error_code* reason) {
    return writeFileAtomically(path, recordBytes(record), FileUse::sharedFile, reason);
}

}  // namespace qx4
