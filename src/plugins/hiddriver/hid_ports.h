// The seams of the HID driver: hidapi writes feature reports, libudev and hidraw tell when the
// device comes and goes and what it reports. Tests put fakes in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qx4::hid {

// One opened device for feature reports.
class FeatureChannel {
public:
    virtual ~FeatureChannel() = default;
    // Opens the device with these ids, closing what was open before; false when there is none.
    virtual bool open(int vendorId, int productId) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Byte 0 is the report id. The number of bytes moved, or -1.
    virtual int sendFeatureReport(const unsigned char* data, std::size_t length) = 0;
    virtual int getFeatureReport(unsigned char* data, std::size_t length) = 0;
};

struct DeviceEvent {
    enum class Kind { arrived, removed, input, stopped } kind;
    std::vector<std::uint8_t> bytes;  // the input report, for `input`
};

// What happens to the device, one event at a time.
class DeviceEventSource {
public:
    virtual ~DeviceEventSource() = default;
    // Blocks until something happens; `stopped` once stop() was called.
    virtual DeviceEvent next() = 0;
    // Called from another thread to end next().
    virtual void stop() = 0;
};

// Makes the event source for a device; null when the system offers none.
using EventSourceFactory =
    std::function<std::unique_ptr<DeviceEventSource>(int vendorId, int productId)>;

}  // namespace qx4::hid
