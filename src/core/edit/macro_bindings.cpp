#include "core/edit/macro_bindings.h"

#include <cstring>

#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/macro/macro_store.h"

namespace qx4 {

bool reconcileMacroBindings(DeviceConfig& config, const MacroList& list) {
    bool changed = false;
    for (ProfileSettings& profile : config.profiles) {
        for (std::size_t button = 0; button < kShownButtonCount; ++button) {
            ButtonBinding& binding = profile.buttons[button];
            if (!holdsMacro(binding)) continue;
            const ButtonBinding before = binding;
            if (const auto position = findMacro(fixedTextView(binding.macroName), list)) {
                copyMacroInto(binding, list.at(*position), *position);
            } else {
                wipeToDefaultFunction(binding, static_cast<int>(button));
            }
            changed = changed || std::memcmp(&before, &binding, sizeof binding) != 0;
        }
    }
    return changed;
}

}  // namespace qx4
