// What qx4ctl calls each key, a column of its own: scripts keep working however the window's
// words or the language keys are renamed. Names compare without regard to case.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qx4::commands {

struct ScriptKeyName {
    std::uint8_t code;
    std::string_view name;
};

// One name a key, in code order; a code missing here is written "0xNN".
std::span<const ScriptKeyName> scriptKeyNames();
// Further names taken when typed: the names earlier versions printed for the left-hand modifiers,
// and "," for the comma, which separates macro steps.
std::span<const ScriptKeyName> scriptKeyAliases();

}  // namespace qx4::commands
