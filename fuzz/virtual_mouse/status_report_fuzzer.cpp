// What the HID driver reads from the mouse. A status report decodes to exactly the big-endian code
// and value it carries, and only with a code in the program's range; the first usage page of a
// report descriptor is one an item in it declares.
#include <span>

#include "plugins/hiddriver/device_reading.h"
#include "require.h"

namespace {

using qx4::fuzz::require;

bool declaresPage(std::span<const std::uint8_t> descriptor, std::uint16_t page) {
    for (std::size_t at = 0; at + 1 < descriptor.size(); ++at) {
        if ((descriptor[at] & 0xFC) != 0x04 || (descriptor[at] & 0x03) == 0) continue;
        std::uint16_t declared = descriptor[at + 1];
        if ((descriptor[at] & 0x03) >= 2 && at + 2 < descriptor.size()) {
            declared = static_cast<std::uint16_t>(declared | descriptor[at + 2] << 8);
        }
        if (declared == page) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes{data, size};
    const auto status = qx4::hid::decodeStatusReport(bytes);
    const bool whole = size >= 5;
    const auto code = whole ? static_cast<std::uint16_t>(data[1] << 8 | data[2]) : 0;
    require(status.has_value() == (whole && code >= 0x1000 && code <= 0x9000),
          "a whole report with a code in range, and only that, decodes");
    if (status) {
        require(status->code == code, "the code as sent");
        require(status->value == static_cast<std::uint16_t>(data[3] << 8 | data[4]), "the value as sent");
    }
    if (const auto page = qx4::hid::firstUsagePage(bytes)) {
        require(declaresPage(bytes, *page), "a usage page the descriptor declares");
    }
    return 0;
}
