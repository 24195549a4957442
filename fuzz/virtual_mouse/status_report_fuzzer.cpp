// What the HID driver reads from the mouse. A status report decodes to exactly the big-endian code
// and value it carries, and only with a code in the program's range; a report descriptor is read
// within its bounds.
#include <span>

#include "plugins/hiddriver/device_reading.h"
#include "require.h"

using qx4::fuzz::require;

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
    qx4::hid::firstUsagePage(bytes);  // steps over items of any size without reading past the end
    return 0;
}
