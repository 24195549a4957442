// How the driver reads the mouse: which of its HID interfaces it talks to, and what its status
// input report means. The mouse's own documentation is not public; these are the assumptions,
// each in one place so that it can be corrected there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qx4::hid {

struct InterfaceInfo {
    std::string path;
    std::uint16_t usagePage = 0;
};

// The mouse's configuration interface is the one with a vendor-defined usage page (0xFF00 and up);
// a device that has none is talked to on its first interface. The index of the chosen interface.
std::optional<std::size_t> preferredInterface(std::span<const InterfaceInfo> interfaces);
bool isVendorUsagePage(std::uint16_t usagePage);

// The usage page a HID report descriptor declares first, if it declares one before its first
// collection.
std::optional<std::uint16_t> firstUsagePage(std::span<const std::uint8_t> descriptor);

struct StatusNotification {
    std::uint16_t code;
    std::uint16_t value;
};

// A status input report from the configuration interface, as the program's data message wants it.
std::optional<StatusNotification> decodeStatusReport(std::span<const std::uint8_t> report);

}  // namespace qx4::hid
