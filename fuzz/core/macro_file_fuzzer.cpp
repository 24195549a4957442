// A *.macro file as an import takes it: only exactly 240 bytes make a macro, which then joins
// the library under a free name that fits, and exports to bytes that import back equal.
#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "tests/support/macro_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qx4::fuzz::require;
    const auto bytes = std::as_bytes(std::span(data, size));
    const std::optional<qx4::MacroRecord> decoded = qx4::decodeMacroFile(bytes);
    require(decoded.has_value() == (size == qx4::kMacroRecordSize), "a macro file has exactly one size");
    if (!decoded) return 0;
    require(decoded->actionCount >= 0 && decoded->actionCount <= qx4::kMacroActionCapacity, "actionCount in range");

    // Names an import commonly meets: its own in other cases, suffixed ones, the longest.
    qx4::MacroList list = qx4::test::listOf({u"Macro1", u"MACRO1_1", u"fuzz", u"ABCDEFGHIJKLMNOPQRSTUVW"});
    // Imported twice, the second time it meets its own name.
    for (int round = 0; round < 2; ++round) {
        const qx4::MacroRecord& added = qx4::appendImportedMacro(*decoded, u"Fuzz", list);
        const std::u16string name = qx4::macroNameText(added.name);
        require(!name.empty() && name.size() <= qx4::kMacroNameMaxUnits && added.name.back() == u'\0',
                "an imported name is set and fits");
        require(qx4::findMacro(name, list) == list.positionOf(&added), "an imported name is unique");
        require(std::memcmp(&added.loopCount, &decoded->loopCount, sizeof(qx4::MacroRecord) - sizeof(qx4::MacroName)) == 0,
                "an import keeps everything but the name");
    }
    const qx4::MacroRecord& added = list.at(list.size() - 1);
    const std::optional<qx4::MacroRecord> again = qx4::decodeMacroFile(qx4::recordBytes(added));
    require(again && std::ranges::equal(qx4::recordBytes(*again), qx4::recordBytes(added)),
            "an exported macro imports back equal");
    return 0;
}
