#include <algorithm>

#include "core/config/config_defaults.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

bool holdsMacro(const ButtonBinding& binding) {
    return binding.functionCode == kMacroFunctionCode || !fixedTextView(binding.macroName).empty();
}

void copyMacroInto(ButtonBinding& binding, const MacroRecord& record, std::size_t position) {
    binding.macroActionCount = static_cast<std::uint16_t>(std::clamp<std::int32_t>(record.actionCount, 0, kMacroActionCapacity));
    writeFixedText(binding.macroName, fixedTextView(record.name));
    binding.macroActions = record.actions;
    // The button page shows the assigned macro by this position, which deletions shift.
    binding.macroIndex = static_cast<std::int32_t>(position);
}

void fallBackToDefault(ButtonBinding& binding, std::size_t button) {
    auto bytes = recordBytes(binding);
    std::fill(bytes.begin(), bytes.end(), std::byte{0});
    binding.functionCode = kDefaultFunctionCodes[button];
    binding.functionGroup = 0;
    binding.macroIndex = kNoMacroIndex;
}

}  // namespace

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
                fallBackToDefault(binding, button);
            }
        }
    }
    return anyHeldMacro;
}

}  // namespace qx4
