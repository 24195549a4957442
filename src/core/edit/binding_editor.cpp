#include "core/edit/binding_editor.h"

#include <algorithm>

#include "core/config/utf16_text.h"
#include "core/edit/binding_edit.h"
#include "core/edit/captured_input.h"
#include "core/edit/decimal_text.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

bool hasSelector(FunctionGroup group) { return !selectorItems(group).empty(); }

bool isChoosableGroup(FunctionGroup group) {
    return group > FunctionGroup::defaultFunction && group <= FunctionGroup::shortcut;
}

}  // namespace

std::optional<BindingEditor> BindingEditor::open(const ProfileSettings& profile, int button, const MacroList& macros) {
    if (!mayStopBeingLeftClick(profile, button)) return std::nullopt;
    return BindingEditor(profile, button, macros);
}

BindingEditor::BindingEditor(const ProfileSettings& profile, int button, const MacroList& macros)
    : macros_(&macros),
      button_(button),
      shown_(FunctionGroup::defaultFunction),
      working_(profile.buttons[static_cast<std::size_t>(button)]) {
    const auto stored = static_cast<FunctionGroup>(working_.functionGroup);
    // A default-group binding opens as stored, so applying it untouched changes nothing.
    if (isChoosableGroup(stored)) changeGroup(stored);
}

std::u16string BindingEditor::loopCountText() const {
    return decimalText(std::max<std::int32_t>(working_.macroLoopCount, 1));
}

void BindingEditor::changeGroup(FunctionGroup group) {
    if (!isChoosableGroup(group)) {
        shown_ = FunctionGroup::defaultFunction;
        assignDefaultFunction(working_, button_);
        return;
    }
    shown_ = group;
    const bool restore = working_.functionGroup == static_cast<std::uint8_t>(group);
    if (hasSelector(group)) {
        selectItem(restore ? codeToGroupItem(group, working_.functionCode) : 0);
    } else if (group == FunctionGroup::macro) {
        if (restore) {
            restoreChosenMacro();
        } else {
            // The function stays what it was until a macro is chosen.
            working_.macroLoopCount = 1;
            working_.macroRepeatMode = 0;
            working_.macroIndex = kNoMacroIndex;
        }
    } else {
        if (!restore) {
            working_.keyCode = 0;
            working_.modifierMask = 0;
        }
        working_.functionCode = kKeyboardFunctionCode;
        working_.functionGroup = static_cast<std::uint8_t>(FunctionGroup::keyboard);
    }
}

// The macro is found again by its name, the binding's only link to the store: a position may
// meanwhile hold another macro. Without a macro of that name the selector shows none and the
// binding keeps its own copy.
void BindingEditor::restoreChosenMacro() {
    const auto position = findMacro(fixedTextView(working_.macroName), *macros_);
    if (position) {
        chooseMacro(*position);
    } else {
        working_.macroIndex = kNoMacroIndex;
    }
}

bool BindingEditor::selectItem(int item) {
    const auto code = hasSelector(shown_) ? groupItemToCode(shown_, item) : std::nullopt;
    if (!code) return false;
    working_.functionGroup = static_cast<std::uint8_t>(shown_);
    working_.functionCode = *code;
    return true;
}

bool BindingEditor::captureKey(std::uintptr_t virtualKey, std::uint8_t heldModifiers, const KeyboardLayout& layout) {
    const std::uint8_t code = capturedKeyCode(virtualKey, layout);
    if (!capturesKeys() || code == 0) return false;
    working_.keyCode = code;
    if ((heldModifiers & kModifierMaskBits) != 0) {
        working_.modifierMask = static_cast<std::uint8_t>(heldModifiers & kModifierMaskBits);
    }
    return true;
}

void BindingEditor::setModifier(std::uint8_t modifierBit, bool held) {
    const auto bit = static_cast<std::uint8_t>(modifierBit & kModifierMaskBits);
    working_.modifierMask = static_cast<std::uint8_t>(held ? working_.modifierMask | bit : working_.modifierMask & ~bit);
}

bool BindingEditor::chooseMacro(std::size_t position) {
    const MacroRecord* macro = macroAt(position, *macros_);
    if (macro == nullptr) return false;
    working_.functionCode = kMacroFunctionCode;
    working_.functionGroup = static_cast<std::uint8_t>(FunctionGroup::macro);
    copyMacroInto(working_, *macro, position);
    return true;
}

void BindingEditor::setRepeatMode(std::int32_t item) { working_.macroRepeatMode = item; }

std::u16string BindingEditor::commitLoopCount(std::u16string_view text) {
    if (const auto count = loopCountFromText(text)) working_.macroLoopCount = *count;
    return decimalText(working_.macroLoopCount);
}

bool BindingEditor::apply(ProfileSettings& profile) const {
    const bool emptyKeys = working_.functionGroup == static_cast<std::uint8_t>(FunctionGroup::keyboard) &&
                           working_.modifierMask == 0 && working_.keyCode == 0;
    if (emptyKeys) return false;
    ButtonBinding stored = working_;
    if (stored.functionCode != kMacroFunctionCode) dropMacroCopy(stored);
    profile.buttons[static_cast<std::size_t>(button_)] = stored;
    return true;
}

}  // namespace qx4
