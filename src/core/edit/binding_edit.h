// Changes to one button binding by the rules of the button page, shared by the page's editor
// (BindingEditor), profile import, the macro store's refresh and qx4ctl. A function that returns
// false has changed nothing.
//
// A binding whose function is not the macro carries no macro copy: the store's refresh treats a
// binding with a macro name as a macro binding, so a stale name would let a later delete of that
// macro reset a button the user had long bound to something else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/config/device_config.h"

namespace qx4 {

class MacroList;
struct MacroRecord;

// The bits a keyboard combination's modifierMask may hold: Ctrl, Shift, Alt and Windows.
inline constexpr std::uint8_t kModifierMaskBits = 0x0F;

// The left-click rule: a profile keeps a left click among its shown buttons (0-11). False when
// the button is the profile's only left click there, and for positions outside 0-11. Whoever
// changes a shown binding asks this first.
bool mayStopBeingLeftClick(const ProfileSettings& profile, int button);

// A function a selector offers, under the group of the first selector (in group order) that
// offers it. False for codes no selector offers.
bool assignCatalogueFunction(ButtonBinding& binding, std::uint8_t code);

// Modifier bits as the check boxes set them (kModifierCtrl ... kModifierWin) and a key code.
// False when both are empty or the mask has bits beyond kModifierMaskBits.
bool assignKeyCombination(ButtonBinding& binding, std::uint8_t modifierMask, std::uint8_t keyCode);

// The macro at a position of the list, repeat mode and loop count. The repeat mode is sent as
// one byte, so it must be 0-255; the loop count is limited to 1-255. False when no macro is at
// the position or the repeat mode is out of range.
bool assignMacro(ButtonBinding& binding, const MacroList& macros, std::size_t position,
                 std::int32_t repeatMode, std::int32_t loopCount);

// The editor's default group: the button's default function in group 0. Other fields stay.
void assignDefaultFunction(ButtonBinding& binding, int button);
// What a binding becomes when its macro has left the store: every byte zero but the button's
// default function and macroIndex -1.
void wipeToDefaultFunction(ButtonBinding& binding, int button);

// The macro function, or a macro name left in the binding.
bool holdsMacro(const ButtonBinding& binding);
// Name, action count (at most 46), actions and the macro's position; the function stays.
void copyMacroInto(ButtonBinding& binding, const MacroRecord& macro, std::size_t position);
// Name, action count and actions zero; macroIndex -1.
void dropMacroCopy(ButtonBinding& binding);
// Adds the macro a binding carries (name, loop count, actions) to the list under a free name,
// or under nameWhenNameless, and points the binding at it. Returns its position.
std::size_t addMacroFromBinding(ButtonBinding& binding, MacroList& macros, std::u16string_view nameWhenNameless);

inline constexpr std::int32_t kLoopCountMin = 1;
inline constexpr std::int32_t kLoopCountMax = 255;

// The loop count an entry's text stands for: a number from 1 to 255 and nothing else ("12"), or
// none ("", "0", "300", "1a2").
std::optional<std::int32_t> loopCountFromText(std::u16string_view text);

}  // namespace qx4
