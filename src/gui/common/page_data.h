// The record and the macro store as the pages see them. Their owner (the mouse session) is the
// only one that changes them: the pages read them here and change them through these calls, and
// the owner announces every change itself, so the pages never tell each other.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>

#include "core/config/device_config.h"
#include "core/edit/macro_draft.h"
#include "core/edit/macro_rename.h"
#include "core/macro/macro_store.h"

namespace qx4::gui {

// A change of the macro store: whether macro.data took it, and whether bindings holding the
// changed macro took its copy again (the mouse then needs a full apply to get them).
struct MacroStoreEdit {
    bool saved = false;
    bool bindingsChanged = false;
};

struct MacroRename {
    MacroRenameResult result;
    MacroStoreEdit edit;  // only when result.outcome is renamed
};

class PageData {
public:
    virtual ~PageData() = default;

    virtual const DeviceConfig& record() const = 0;
    virtual const MacroList& macros() const = 0;

    // A user's edit of the record: `change` makes it and says whether it changed anything.
    // Announced as an edit when it did.
    virtual bool edit(const std::function<bool(DeviceConfig&)>& change) = 0;

    // The macro store's changes. Each is saved to macro.data, takes the bindings that hold the
    // macro along, and is announced as a change of the store.
    virtual MacroStoreChange addMacro(std::u16string_view baseText) = 0;
    virtual MacroStoreChange importMacro(const std::filesystem::path& file) = 0;
    virtual MacroStoreEdit removeMacro(std::size_t position) = 0;
    virtual MacroStoreEdit storeMacro(std::size_t position, const MacroDraft& draft) = 0;
    virtual MacroRename renameMacro(std::size_t position, std::u16string_view newName) = 0;
};

}  // namespace qx4::gui
