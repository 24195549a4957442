// The macro library: an ordered list of macros kept in macro.data, single-macro files and names
// kept unique.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/config/device_config.h"
#include "core/macro/macro_record.h"

namespace qx4 {

// The most macros macro.data is read with, and saved with. The mouse carries at most 120 bound
// macros (24 bindings in each of 5 profiles), so a library of 4,096 is far more than anyone keeps,
// yet reading it stays under 1 MB; a larger file, or a link to an endless device, can then neither
// stall the program nor fill its memory.
inline constexpr std::size_t kMacroStoreCapacity = 4096;

// Why macro.data must not be written: the list in memory does not hold all that the file holds,
// and saving it would lose the rest.
enum class MacroStoreProblem : std::uint8_t {
    none,
    unreadable,      // the file is there but could not be read: nothing was loaded
    notRegularFile,  // a folder, FIFO or device is in its place: nothing was loaded
    tooLarge,        // more than kMacroStoreCapacity records: only the first ones were loaded
};

// Each record is allocated on its own, so its address stays valid while it is in the list (the
// editor keeps a reference to the selected one). New records are always appended.
class MacroList {
public:
    class ConstIterator {
    public:
        using Inner = std::vector<std::unique_ptr<MacroRecord>>::const_iterator;
        explicit ConstIterator(Inner inner) : inner_(inner) {}
        const MacroRecord& operator*() const { return **inner_; }
        const MacroRecord* operator->() const { return inner_->get(); }
        ConstIterator& operator++() {
            ++inner_;
            return *this;
        }
        friend bool operator==(const ConstIterator&, const ConstIterator&) = default;

    private:
        Inner inner_;
    };

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    MacroRecord& at(std::size_t position) { return *records_.at(position); }
    const MacroRecord& at(std::size_t position) const { return *records_.at(position); }
    ConstIterator begin() const { return ConstIterator(records_.begin()); }
    ConstIterator end() const { return ConstIterator(records_.end()); }

    MacroRecord& append(const MacroRecord& record);
    void remove(std::size_t position);  // no effect outside the list
    void clear() { records_.clear(); }
    std::optional<std::size_t> positionOf(const MacroRecord* record) const;

    // Set by loadMacros; any problem keeps macro.data from being written for the rest of the run.
    MacroStoreProblem storeProblem() const { return storeProblem_; }
    void setStoreProblem(MacroStoreProblem problem) { storeProblem_ = problem; }

private:
    std::vector<std::unique_ptr<MacroRecord>> records_;
    MacroStoreProblem storeProblem_ = MacroStoreProblem::none;
};

struct MacroLoadResult {
    std::size_t appended = 0;
    MacroStoreProblem problem = MacroStoreProblem::none;
    std::error_code readError;         // unreadable: the system's reason, when it gave one
    std::uint64_t recordsInFile = 0;   // counting a final partial record
};

// Appends the records of macro.data, at most kMacroStoreCapacity, each brought into range
// (normalizeMacroRecord); a final partial record is zero-filled. A missing file appends none. The
// file's size is taken from the opened file before anything is read; a problem is noted on the
// list as well.
MacroLoadResult loadMacros(MacroList& list);
// Replaces macro.data atomically with the whole list. False when it could not be written, and
// when the list has a store problem or more than kMacroStoreCapacity records: then nothing is
// written.
bool saveMacros(const MacroList& list);

struct DataFilesSave {
    std::error_code error;         // empty when everything given was saved
    std::filesystem::path failed;  // the file that could not be written
    std::filesystem::path saved;   // a file replaced all the same (a rename failed between the two)
};
// macro.data from the list and Config_1.data from the record, either left out when null, as one
// change (writeFilesAtomically): when it fails, both files are as they were unless `saved` names
// one. A list saveMacros refuses to write fails the whole save, before anything is written.
DataFilesSave saveMacrosAndConfig(const MacroList* list, const DeviceConfig* config);

// The same from and to bytes: decoding appends at most kMacroStoreCapacity records and returns
// how many; encoding gives the file's contents.
std::size_t decodeMacroStore(std::span<const std::byte> bytes, MacroList& list);
std::vector<std::byte> encodeMacroStore(const MacroList& list);

bool macroNameExists(std::u16string_view name, const MacroList& list);
// The candidate (shortened to 23 units) when free, else the first free "<base>_<n>" for
// n = 1, 2, ..., the base shortened so that the whole name fits 23 units.
std::u16string uniqueMacroName(std::u16string_view candidate, const MacroList& list);

// The first record whose name equals name ignoring case.
std::optional<std::size_t> findMacro(std::u16string_view name, const MacroList& list);
// nullptr for a position outside the list.
MacroRecord* macroAt(std::size_t position, MacroList& list);
const MacroRecord* macroAt(std::size_t position, const MacroList& list);

enum class MacroRefusal : std::uint8_t {
    none,
    storeProblem,    // the list has a store problem: macro.data is not to be written
    storeFull,       // the list holds kMacroStoreCapacity macros already
    fileUnreadable,  // import: the file is missing or could not be read
    fileNotRegular,  // import: a folder, FIFO or device, which is never opened
    fileWrongSize,   // import: not exactly kMacroRecordSize bytes, so not a macro
};

struct MacroStoreChange {
    MacroRecord* record = nullptr;  // the appended record; nullptr when nothing was appended
    bool saved = false;             // macro.data was written
    MacroRefusal refused = MacroRefusal::none;  // why nothing was appended
};

// Why no macro can be added to the list now; nullopt when one can.
std::optional<MacroRefusal> refusalToAddMacro(const MacroList& list);

// Appends a zeroed record named uniqueMacroName(baseText + (size + 1)) and saves the store.
// baseText is the language text of "mouse_macro_function_text".
MacroStoreChange createMacro(MacroList& list, std::u16string_view baseText);
// Reads a *.macro file, which must hold exactly one record, gives it a free name and appends it,
// then saves the store. A record without a name is named after the file.
MacroStoreChange importMacroFile(const std::filesystem::path& path, MacroList& list);
// The record of a *.macro file's contents brought into range; nullopt unless exactly 240 bytes.
std::optional<MacroRecord> decodeMacroFile(std::span<const std::byte> bytes);
// Appends an imported record under a free name: its own, else fileStem's, made unique.
MacroRecord& appendImportedMacro(MacroRecord record, std::u16string_view fileStem, MacroList& list);
// Writes the record's 240 bytes atomically, as a file for sharing: a new one follows the umask,
// and its folder must be there. False when it could not be written, with the system's reason in
// `reason` when given.
bool exportMacroFile(const MacroRecord& record, const std::filesystem::path& path, std::error_code* reason = nullptr);

}  // namespace qx4
