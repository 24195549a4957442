#include "core/edit/macro_bindings.h"

#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/macro/macro_store.h"

namespace qx4 {

bool reconcileMacroBindings(DeviceConfig& config, const MacroList& list) {
    bool anyHeldMacro = false;
    for (ProfileSettings& profile : config.profiles) {
        for (std::size_t button = 0; button < kShownButtonCount; ++button) {
            ButtonBinding& binding = profile.buttons[button];
            if (!holdsMacro(binding)) continue;
            anyHeldMacro = true;
            if (const auto position = findMacro(fixedTextView(binding.macroName), list)) {
                copyMacroInto(binding, list.at(*position), *position);
            } else {
                wipeToDefaultFunction(binding, static_cast<int>(button));
            }
        }
    }
    return anyHeldMacro;
}

}  // namespace qx4
