// A stored macro: the unit of macro.data (a run of these) and of a *.macro file (exactly one).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/config/device_config.h"

namespace qx4 {

struct MacroRecord {
    MacroName name;
    std::int32_t loopCount;    // 0 unless a profile import filled it; never copied into bindings
    std::int32_t actionCount;  // valid entries of actions, 0..46
    std::array<MacroAction, kMacroActionCapacity> actions;
};
static_assert(sizeof(MacroRecord) == 240);
static_assert(offsetof(MacroRecord, name) == 0);
static_assert(offsetof(MacroRecord, loopCount) == 48);
static_assert(offsetof(MacroRecord, actionCount) == 52);
static_assert(offsetof(MacroRecord, actions) == 56);
static_assert(std::is_trivially_copyable_v<MacroRecord> && std::is_standard_layout_v<MacroRecord>);

inline constexpr std::size_t kMacroRecordSize = sizeof(MacroRecord);
inline constexpr std::size_t kMacroNameMaxUnits = std::tuple_size_v<MacroName> - 1;  // 23

// The name up to its terminator; a name without one reads as its first 23 units.
std::u16string macroNameText(const MacroName& name);
// The text shortened to 23 units (never through a surrogate pair), zero-filled.
MacroName toMacroName(std::u16string_view text);

// Names are compared ignoring letter case.
bool sameMacroName(std::u16string_view a, std::u16string_view b);

// Brings what a file may hold into range: actionCount to 0..46, the name terminated.
void normalizeMacroRecord(MacroRecord& record);

}  // namespace qx4
