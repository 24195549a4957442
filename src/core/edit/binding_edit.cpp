#include "core/edit/binding_edit.h"

#include <algorithm>
#include <span>
#include <string>

#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/edit/decimal_text.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

static_assert(kModifierMaskBits == (kModifierCtrl | kModifierShift | kModifierAlt | kModifierWin));

constexpr std::uint8_t kLeftClickCode = 1;
constexpr std::int32_t kRepeatModeMax = 255;

constexpr FunctionGroup kSelectorGroups[] = {FunctionGroup::mouse, FunctionGroup::dpi,    FunctionGroup::profile,
                                             FunctionGroup::media, FunctionGroup::system, FunctionGroup::shortcut};

void setFunction(ButtonBinding& binding, FunctionGroup group, std::uint8_t code) {
    binding.functionGroup = static_cast<std::uint8_t>(group);
    binding.functionCode = code;
    if (code != kMacroFunctionCode) dropMacroCopy(binding);
}

}  // namespace

bool mayStopBeingLeftClick(const ProfileSettings& profile, int button) {
    if (button < 0 || button >= kShownButtonCount) return false;
    const auto shown = std::span(profile.buttons).first<kShownButtonCount>();
    if (shown[static_cast<std::size_t>(button)].functionCode != kLeftClickCode) return true;
    return std::ranges::count(shown, kLeftClickCode, &ButtonBinding::functionCode) > 1;
}

bool assignCatalogueFunction(ButtonBinding& binding, std::uint8_t code) {
    for (FunctionGroup group : kSelectorGroups) {
        if (std::ranges::find(selectorItems(group), code) == selectorItems(group).end()) continue;
        setFunction(binding, group, code);
        return true;
    }
    return false;
}

bool assignKeyCombination(ButtonBinding& binding, std::uint8_t modifierMask, std::uint8_t keyCode) {
    if ((modifierMask & ~kModifierMaskBits) != 0 || (modifierMask == 0 && keyCode == 0)) return false;
    setFunction(binding, FunctionGroup::keyboard, kKeyboardFunctionCode);
    binding.modifierMask = modifierMask;
    binding.keyCode = keyCode;
    return true;
}

bool assignMacro(ButtonBinding& binding, const MacroList& macros, std::size_t position,
                 std::int32_t repeatMode, std::int32_t loopCount) {
    const MacroRecord* macro = macroAt(position, macros);
    if (macro == nullptr || repeatMode < 0 || repeatMode > kRepeatModeMax) return false;
    setFunction(binding, FunctionGroup::macro, kMacroFunctionCode);
    copyMacroInto(binding, *macro, position);
    binding.macroRepeatMode = repeatMode;
    binding.macroLoopCount = std::clamp(loopCount, kLoopCountMin, kLoopCountMax);
    return true;
}

void assignDefaultFunction(ButtonBinding& binding, int button) {
    setFunction(binding, FunctionGroup::defaultFunction, defaultFunctionCode(button));
}

void wipeToDefaultFunction(ButtonBinding& binding, int button) {
    std::ranges::fill(recordBytes(binding), std::byte{0});
    binding.functionCode = defaultFunctionCode(button);
    binding.functionGroup = static_cast<std::uint8_t>(FunctionGroup::defaultFunction);
    binding.macroIndex = kNoMacroIndex;
}

bool holdsMacro(const ButtonBinding& binding) {
    return binding.functionCode == kMacroFunctionCode || !fixedTextView(binding.macroName).empty();
}

void copyMacroInto(ButtonBinding& binding, const MacroRecord& macro, std::size_t position) {
    binding.macroActionCount = static_cast<std::uint16_t>(std::clamp<std::int32_t>(macro.actionCount, 0, kMacroActionCapacity));
    writeFixedText(binding.macroName, fixedTextView(macro.name));
    binding.macroActions = macro.actions;
    // The button page shows the assigned macro by this position, which deletions shift.
    binding.macroIndex = static_cast<std::int32_t>(position);
}

void dropMacroCopy(ButtonBinding& binding) {
    binding.macroName.fill(u'\0');
    binding.macroActionCount = 0;
    binding.macroActions.fill({});
    binding.macroIndex = kNoMacroIndex;
}

std::size_t addMacroFromBinding(ButtonBinding& binding, MacroList& macros, std::u16string_view nameWhenNameless) {
    std::u16string candidate = macroNameText(binding.macroName);
    if (candidate.empty()) candidate = nameWhenNameless;

    MacroRecord record{};
    record.name = toMacroName(uniqueMacroName(candidate, macros));
    record.loopCount = binding.macroLoopCount;
    record.actionCount = binding.macroActionCount;
    record.actions = binding.macroActions;
    macros.append(record);

    binding.macroName = record.name;
    binding.macroIndex = static_cast<std::int32_t>(macros.size() - 1);
    return macros.size() - 1;
}

std::optional<std::int32_t> loopCountFromText(std::u16string_view text) {
    return numberWithin(text, kLoopCountMin, kLoopCountMax);
}

}  // namespace qx4
