// The macro library: an ordered list of macros kept in macro.data, single-macro files, names
// kept unique, and the refresh of the macro copies held by button bindings.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/device_config.h"
#include "core/macro/macro_record.h"

namespace qx4 {

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

private:
    std::vector<std::unique_ptr<MacroRecord>> records_;
};

// Appends every record of macro.data, each brought into range (normalizeMacroRecord); a final
// partial record is zero-filled. Returns how many were appended; a missing file appends none.
std::size_t loadMacros(MacroList& list);
// Replaces macro.data atomically with the whole list. False when it could not be written.
bool saveMacros(const MacroList& list);

bool macroNameExists(std::u16string_view name, const MacroList& list);
// The candidate (shortened to 23 units) when free, else the first free "<base>_<n>" for
// n = 1, 2, ..., the base shortened so that the whole name fits 23 units.
std::u16string uniqueMacroName(std::u16string_view candidate, const MacroList& list);

// The first record whose name equals name ignoring case.
std::optional<std::size_t> findMacro(std::u16string_view name, const MacroList& list);
// nullptr for a position outside the list.
MacroRecord* macroAt(std::size_t position, MacroList& list);
const MacroRecord* macroAt(std::size_t position, const MacroList& list);

struct MacroStoreChange {
    MacroRecord* record = nullptr;  // the appended record; nullptr when nothing was appended
    bool saved = false;             // macro.data was written
};

// Appends a zeroed record named uniqueMacroName(baseText + (size + 1)) and saves the store.
// baseText is the language text of "mouse_macro_function_text".
MacroStoreChange createMacro(MacroList& list, std::u16string_view baseText);
// Reads the first 240 bytes of a *.macro file (zero-filling a short one), gives it a free name
// and appends it, then saves the store. An empty or unreadable file appends nothing; a record
// without a name is named after the file.
MacroStoreChange importMacroFile(const std::filesystem::path& path, MacroList& list);
// Writes the record's 240 bytes atomically. False when it could not be written.
bool exportMacroFile(const MacroRecord& record, const std::filesystem::path& path);

// For every profile and its first 12 bindings that hold a macro (code 17 or a non-empty name):
// a macro of that name in the list is copied in again (name, action count, actions) and
// macroIndex is set to its current position; a binding whose macro is gone falls back to the
// button's default function. True when at least one binding holds a macro.
bool reconcileMacroBindings(DeviceConfig& config, const MacroList& list);

}  // namespace qx4
