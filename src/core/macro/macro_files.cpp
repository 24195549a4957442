#include "core/config/atomic_file.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4 {

MacroStoreChange importMacroFile(const std::filesystem::path& path, MacroList& list) {
    const auto bytes = readFilePrefix(path, kMacroRecordSize);
    // An empty file holds no macro; appending one would only add a nameless, empty entry.
    if (!bytes || bytes->empty()) return {};

    MacroRecord record{};
    overlayRecord(record, *bytes);
    normalizeMacroRecord(record);
    std::u16string name = macroNameText(record.name);
    if (name.empty()) name = utf8ToUtf16(path.stem().string());
    if (name != macroNameText(record.name) || macroNameExists(name, list)) {
        record.name = toMacroName(uniqueMacroName(name, list));
    }

    MacroStoreChange change;
    change.record = &list.append(record);
    change.saved = saveMacros(list);
    return change;
}

bool exportMacroFile(const MacroRecord& record, const std::filesystem::path& path) {
    return writeFileAtomically(path, recordBytes(record));
}

}  // namespace qx4
