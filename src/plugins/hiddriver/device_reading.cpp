#include "plugins/hiddriver/device_reading.h"

#include "core/device/notifications.h"

namespace qx4::hid {

bool isVendorUsagePage(std::uint16_t usagePage) {
    return usagePage >= 0xFF00;
}

std::optional<std::size_t> preferredInterface(std::span<const InterfaceInfo> interfaces) {
    if (interfaces.empty()) return std::nullopt;
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        if (isVendorUsagePage(interfaces[i].usagePage)) return i;
    }
    return 0;
}

std::optional<std::uint16_t> firstUsagePage(std::span<const std::uint8_t> descriptor) {
    constexpr std::uint8_t kUsagePageTag = 0x04;  // global item, type 1, tag 0
    constexpr std::uint8_t kCollectionTag = 0xA0;
    constexpr std::uint8_t kLongItem = 0xFE;
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItem) {
            if (at + 1 >= descriptor.size()) return std::nullopt;
            at += 3 + descriptor[at + 1];
            continue;
        }
        const std::size_t size = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (at + 1 + size > descriptor.size()) return std::nullopt;
        const std::uint8_t tag = prefix & 0xFC;
        if (tag == kCollectionTag) return std::nullopt;
        if (tag == kUsagePageTag && size > 0) {
            std::uint16_t page = descriptor[at + 1];
            if (size >= 2) page = static_cast<std::uint16_t>(page | descriptor[at + 2] << 8);
            return page;
        }
        at += 1 + size;
    }
    return std::nullopt;
}

// Assumed layout, not confirmed with the maker: byte 0 is the report id, bytes 1-4 the status word
// the program expects (notification code in the high half, its value in the low half), most
// significant byte first. Codes that are no notification of the mouse are the other traffic of the
// interface and are dropped here.
std::optional<StatusNotification> decodeStatusReport(std::span<const std::uint8_t> report) {
    constexpr std::size_t kStatusLength = 5;
    if (report.size() < kStatusLength) return std::nullopt;
    const auto code = static_cast<std::uint16_t>(report[1] << 8 | report[2]);
    const auto value = static_cast<std::uint16_t>(report[3] << 8 | report[4]);
    if (!isMouseNotification(code)) return std::nullopt;
    return StatusNotification{code, value};
}

}  // namespace qx4::hid
