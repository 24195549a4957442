// macro.data as the store takes it: counts in range and within the capacity, every record
// mended, and the store saved from the list loads back equal.
#include <algorithm>

#include "core/config/record_bytes.h"
#include "core/macro/macro_store.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qx4::fuzz::require;
    const auto bytes = std::as_bytes(std::span(data, size));
    qx4::MacroList list;
    const std::size_t appended = qx4::decodeMacroStore(bytes, list);
    const std::size_t records = (size + qx4::kMacroRecordSize - 1) / qx4::kMacroRecordSize;
    require(appended == std::min(records, qx4::kMacroStoreCapacity) && list.size() == appended,
            "one record per 240 bytes begun, up to the capacity");
    for (const qx4::MacroRecord& record : list) {
        require(record.actionCount >= 0 && record.actionCount <= qx4::kMacroActionCapacity, "actionCount in range");
        require(record.name.back() == u'\0', "names terminated");
    }

    const std::vector<std::byte> saved = qx4::encodeMacroStore(list);
    require(saved.size() == appended * qx4::kMacroRecordSize, "240 bytes per saved record");
    qx4::MacroList reloaded;
    qx4::decodeMacroStore(saved, reloaded);
    require(reloaded.size() == list.size(), "a saved store loads back whole");
    for (std::size_t i = 0; i < list.size(); ++i) {
        require(std::ranges::equal(qx4::recordBytes(list.at(i)), qx4::recordBytes(reloaded.at(i))),
                "a saved store loads back equal");
    }

    return 0;
}
