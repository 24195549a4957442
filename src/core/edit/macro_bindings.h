// The refresh of the macro copies that button bindings carry, after the macro store changed. It
// follows the binding rules, so it sits with them, above the store.
#pragma once

#include "core/config/device_config.h"

namespace qx4 {

class MacroList;

// For every profile and its first 12 bindings that hold a macro (code 17 or a non-empty name):
// a macro of that name in the list is copied in again (name, action count, actions) and
// macroIndex is set to its current position; a binding whose macro is gone falls back to the
// button's default function. True when a binding changed: only then has the mouse anything new,
// so a macro saved, added or removed that no button plays sends nothing.
bool reconcileMacroBindings(DeviceConfig& config, const MacroList& list);

}  // namespace qx4
