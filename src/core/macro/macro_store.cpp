#include "core/macro/macro_store.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "core/config/atomic_file.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"

namespace qx4 {
namespace {

std::u16string decimal(std::size_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A name ends at its first zero, as it will once stored.
std::u16string_view untilTerminator(std::u16string_view text) {
    return text.substr(0, std::min(text.find(u'\0'), text.size()));
}

}  // namespace

MacroRecord& MacroList::append(const MacroRecord& record) {
    records_.push_back(std::make_unique<MacroRecord>(record));
    return *records_.back();
}

void MacroList::remove(std::size_t position) {
    if (position < records_.size()) records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(position));
}

std::optional<std::size_t> MacroList::positionOf(const MacroRecord* record) const {
    const auto found = std::find_if(records_.begin(), records_.end(),
                                    [record](const auto& owned) { return owned.get() == record; });
    if (found == records_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - records_.begin());
}

std::size_t decodeMacroStore(std::span<const std::byte> bytes, MacroList& list) {
    std::size_t appended = 0;
    while (!bytes.empty() && appended < kMacroStoreCapacity) {
        // A final partial record keeps the zeros it was created with.
        MacroRecord record{};
        bytes = bytes.subspan(overlayRecord(record, bytes));
        normalizeMacroRecord(record);
        list.append(record);
        ++appended;
    }
    return appended;
}

std::vector<std::byte> encodeMacroStore(const MacroList& list) {
    std::vector<std::byte> bytes;
    bytes.reserve(list.size() * kMacroRecordSize);
    for (const MacroRecord& record : list) {
        const auto image = recordBytes(record);
        bytes.insert(bytes.end(), image.begin(), image.end());
    }
    return bytes;
}

MacroLoadResult loadMacros(MacroList& list) {
    const FileRead file = readRegularFile(macroFilePath(), kMacroStoreCapacity * kMacroRecordSize);
    MacroLoadResult result;
    switch (file.status) {
        case ReadStatus::missing:
            break;
        case ReadStatus::notRegularFile:
            result.problem = MacroStoreProblem::notRegularFile;
            break;
        case ReadStatus::unreadable:
            result.problem = MacroStoreProblem::unreadable;
            result.readError = file.error;
            break;
        case ReadStatus::read:
            result.recordsInFile = (file.size + kMacroRecordSize - 1) / kMacroRecordSize;
            if (result.recordsInFile > kMacroStoreCapacity) result.problem = MacroStoreProblem::tooLarge;
            result.appended = decodeMacroStore(file.bytes, list);
            break;
    }
    list.setStoreProblem(result.problem);
    return result;
}

bool saveMacros(const MacroList& list) {
    if (list.storeProblem() != MacroStoreProblem::none || list.size() > kMacroStoreCapacity) return false;
    return writeFileAtomically(macroFilePath(), encodeMacroStore(list));
}

DataFilesSave saveMacrosAndConfig(const MacroList* list, const DeviceConfig* config) {
    std::vector<std::byte> store;
    std::vector<FileReplacement> files;
    if (list) {
        if (list->storeProblem() != MacroStoreProblem::none || list->size() > kMacroStoreCapacity) {
            return {std::make_error_code(std::errc::operation_not_permitted), macroFilePath(), {}};
        }
        store = encodeMacroStore(*list);
        files.push_back({macroFilePath(), store});
    }
    // The macro store first: should the second rename fail, a store with a macro that no binding
    // names yet loses nothing, while bindings naming a macro the store lacks would fall back.
    if (config) files.push_back({configFilePath(), recordBytes(*config)});
    const FilesWriteResult written = writeFilesAtomically(files);
    if (!written.error) return {};
    return {written.error, files[written.failed].target,
            written.replaced > 0 ? files.front().target : std::filesystem::path()};
}

std::optional<std::size_t> findMacro(std::u16string_view name, const MacroList& list) {
    std::size_t position = 0;
    for (const MacroRecord& record : list) {
        if (sameMacroName(fixedTextView(record.name), name)) return position;
        ++position;
    }
    return std::nullopt;
}

bool macroNameExists(std::u16string_view name, const MacroList& list) {
    return findMacro(untilTerminator(name), list).has_value();
}

std::u16string uniqueMacroName(std::u16string_view candidate, const MacroList& list) {
    candidate = untilTerminator(candidate);
    const std::u16string_view fitted = shortenUtf16(candidate, kMacroNameMaxUnits);
    if (!macroNameExists(fitted, list)) return std::u16string(fitted);
    // Some n up to size + 1 is always free, as each record takes at most one.
    for (std::size_t n = 1;; ++n) {
        const std::u16string suffix = u"_" + decimal(n);
        std::u16string name(shortenUtf16(candidate, kMacroNameMaxUnits - suffix.size()));
        name += suffix;
        if (!macroNameExists(name, list)) return name;
    }
}

MacroRecord* macroAt(std::size_t position, MacroList& list) {
    return position < list.size() ? &list.at(position) : nullptr;
}

const MacroRecord* macroAt(std::size_t position, const MacroList& list) {
    return position < list.size() ? &list.at(position) : nullptr;
}

std::optional<MacroRefusal> refusalToAddMacro(const MacroList& list) {
    if (list.storeProblem() != MacroStoreProblem::none) return MacroRefusal::storeProblem;
    if (list.size() >= kMacroStoreCapacity) return MacroRefusal::storeFull;
    return std::nullopt;
}

MacroStoreChange createMacro(MacroList& list, std::u16string_view baseText) {
    if (const auto refusal = refusalToAddMacro(list)) return {nullptr, false, *refusal};
    std::u16string candidate(untilTerminator(baseText));
    candidate += decimal(list.size() + 1);
    MacroRecord record{};
    record.name = toMacroName(uniqueMacroName(candidate, list));
    MacroStoreChange change;
    change.record = &list.append(record);
    change.saved = saveMacros(list);
    return change;
}

}  // namespace qx4
