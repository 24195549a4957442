// Records are plain byte images on disk; these views make the raw copies explicit. Copying byte for
// byte is also what carries the fields of unknown meaning (device_config.h) through unchanged.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>

namespace qx4 {

template <typename Record>
std::span<const std::byte, sizeof(Record)> recordBytes(const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
    return std::span<const std::byte, sizeof(Record)>(reinterpret_cast<const std::byte*>(&record),
                                                      sizeof(Record));
}

template <typename Record>
std::span<std::byte, sizeof(Record)> recordBytes(Record& record) {
    static_assert(std::is_trivially_copyable_v<Record> && std::is_standard_layout_v<Record>);
    return std::span<std::byte, sizeof(Record)>(reinterpret_cast<std::byte*>(&record), sizeof(Record));
}

// Lays bytes over the start of the record; a longer input is cut at the record's size. Returns
// how many bytes were taken.
template <typename Record>
std::size_t overlayRecord(Record& record, std::span<const std::byte> bytes) {
    const std::size_t count = std::min(bytes.size(), sizeof(Record));
    if (count > 0) std::memcpy(&record, bytes.data(), count);
    return count;
}

}  // namespace qx4
