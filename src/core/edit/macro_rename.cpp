#include "core/edit/macro_rename.h"

#include <string>

#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/macro/macro_store.h"

namespace qx4 {

MacroRenameResult renameMacro(MacroList& macros, std::size_t position, std::u16string_view newName,
                              DeviceConfig& config) {
    MacroRecord* macro = macroAt(position, macros);
    if (macro == nullptr) return {MacroRenameOutcome::noMacro, 0};
    if (newName.empty() || newName.size() > kMacroNameMaxUnits || newName.find(u'\0') != std::u16string_view::npos) {
        return {MacroRenameOutcome::invalidName, 0};
    }
    const std::u16string oldName = macroNameText(macro->name);
    if (sameMacroName(oldName, newName)) return {MacroRenameOutcome::unchanged, 0};
    if (macroNameExists(newName, macros)) return {MacroRenameOutcome::nameTaken, 0};

    macro->name = toMacroName(newName);
    MacroRenameResult result{MacroRenameOutcome::renamed, 0};
    for (ProfileSettings& profile : config.profiles) {
        for (ButtonBinding& binding : profile.buttons) {
            if (!holdsMacro(binding) || !sameMacroName(fixedTextView(binding.macroName), oldName)) continue;
            binding.macroName = macro->name;
            ++result.bindingsFollowed;
        }
    }
    return result;
}

}  // namespace qx4
