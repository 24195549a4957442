// What a driver plug-in does behind the seven C entry points of core/abi/qx4_driver.h. The entry
// points themselves are written once (driver_exports.cpp) for every driver plug-in: they keep
// exceptions from crossing into the program and turn a failure into the C result.
#pragma once

#include <cstdint>

#include "core/abi/qx4_message_sink.h"

namespace qx4 {

class DriverBackend {
public:
    virtual ~DriverBackend() = default;

    virtual void setIds(int vendorId, int productId) = 0;
    virtual void openMonitor(const qx4_message_sink& sink, std::uint32_t dataMessage,
                             std::uint32_t arrivalMessage) = 0;
    virtual void closeMonitor() = 0;
    virtual bool openFeature() = 0;
    virtual void closeFeature() = 0;
    virtual bool setFeature(const unsigned char* report, int length) = 0;
    // The number of bytes read, 0 when nothing was.
    virtual int getFeature(unsigned char* report, int length) = 0;
};

// Defined by each driver plug-in: the one backend its file serves, created on first use.
DriverBackend& driverBackend();

}  // namespace qx4
