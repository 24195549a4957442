// The button page's editor without its widgets: a working copy of one shown binding of a
// profile, changed by group, selector, key, modifier and macro choices, stored only by apply().
// The page renders from working() and shownGroup() after every call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/device_config.h"
#include "core/vocab/function_catalogue.h"
#include "core/vocab/keyboard_layout.h"

namespace qx4 {

class MacroList;

class BindingEditor {
public:
    // Starts editing binding `button` (0-11) of the profile. nullopt when the button is outside
    // 0-11 or the left-click rule keeps it (mayStopBeingLeftClick). A selector group's code is
    // brought to what its selector shows; a macro binding takes the stored macro of its name
    // again. The macro list must outlive the editor.
    static std::optional<BindingEditor> open(const ProfileSettings& profile, int button, const MacroList& macros);

    int button() const { return button_; }
    const ButtonBinding& working() const { return working_; }
    // The group selector's item and tab page. While the macro group is shown without a chosen
    // macro, the working copy keeps its former group.
    FunctionGroup shownGroup() const { return shown_; }
    // Keys are captured exactly while the keyboard group is shown.
    bool capturesKeys() const { return shown_ == FunctionGroup::keyboard; }
    bool showsLoopCount() const { return working_.macroRepeatMode < 1; }
    // The loop count as the entry shows it: at least 1.
    std::u16string loopCountText() const;

    // The group selector chose a group. The group the working copy is already in is restored;
    // any other starts afresh: a selector group at its first item, the keyboard group with
    // neither key nor modifier, the macro group with no macro, repeat mode 0 and loop count 1.
    // Values outside 1-8 choose the default group (the button's default function).
    void changeGroup(FunctionGroup group);
    // The shown group's function selector chose an item. False for an item it does not have.
    bool selectItem(int item);
    // A key captured while the keyboard group is shown, with the modifier bits of the modifier
    // keys held with it. Held modifiers replace the boxes' modifiers, so the combination is the
    // one pressed; a key pressed alone keeps them, and a modifier key pressed alone is the key.
    // False, and nothing changes, outside the keyboard group and for a key without a code.
    bool captureKey(std::uintptr_t virtualKey, std::uint8_t heldModifiers = 0,
                    const KeyboardLayout& layout = usKeyboardLayout());
    void setModifier(std::uint8_t modifierBit, bool held);
    // The macro selector chose a position. False, and nothing changes, when no macro is there.
    bool chooseMacro(std::size_t position);
    void setRepeatMode(std::int32_t item);
    // The loop count entry lost the focus: stores loopCountFromText(text), or keeps the count when
    // the text is none, and returns the text the entry shows from now on.
    std::u16string commitLoopCount(std::u16string_view text);

    // Copies the whole working binding over the profile's binding, without a macro copy unless
    // it is a macro binding. A keyboard binding with neither key nor modifier is not stored: false.
    bool apply(ProfileSettings& profile) const;

private:
    BindingEditor(const ProfileSettings& profile, int button, const MacroList& macros);
    void restoreChosenMacro();

    const MacroList* macros_;
    int button_;
    FunctionGroup shown_;
    ButtonBinding working_;
};

}  // namespace qx4
