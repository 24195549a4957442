// Renaming a stored macro. Bindings find their macro by name, so every binding that holds the
// old name takes the new one and keeps its macro.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/config/device_config.h"

namespace qx4 {

class MacroList;

enum class MacroRenameOutcome {
    renamed,
    unchanged,    // the same name, letter case aside: nothing changed
    nameTaken,    // another macro has the name, letter case aside
    invalidName,  // empty, longer than 23 units or holding a zero
    noMacro,      // nothing at the position
};

struct MacroRenameResult {
    MacroRenameOutcome outcome = MacroRenameOutcome::noMacro;
    std::size_t bindingsFollowed = 0;  // bindings, over all profiles, that took the new name
};

// Renames the macro at a position in the list and in the bindings of every profile. Saving the
// store and the configuration is the caller's.
MacroRenameResult renameMacro(MacroList& macros, std::size_t position, std::u16string_view newName,
                              DeviceConfig& config);

}  // namespace qx4
