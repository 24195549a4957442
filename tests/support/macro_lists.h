// Macros and lists of them, for the tests of the macro store, the editors and the commands.
#pragma once

#include <algorithm>

#include "core/config/record_bytes.h"
#include "core/macro/macro_store.h"

namespace qx4::test {

inline MacroRecord macroNamed(std::u16string_view name, std::int32_t actionCount = 0) {
    MacroRecord record{};
    record.name = toMacroName(name);
    record.actionCount = actionCount;
    for (std::size_t i = 0; i < record.actions.size(); ++i)
        record.actions[i] = {static_cast<std::uint8_t>(4 + i), static_cast<std::uint8_t>(1 + i % 2), static_cast<std::uint16_t>(10 * i + 1)};
    return record;
}

inline MacroList listOf(std::initializer_list<std::u16string_view> names) {
    MacroList list;
    for (std::u16string_view name : names) list.append(macroNamed(name));
    return list;
}

template <typename Record>
bool sameBytes(const Record& a, const Record& b) {
    return std::ranges::equal(recordBytes(a), recordBytes(b));
}

}  // namespace qx4::test
