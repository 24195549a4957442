// The backend behind the driver entry points: one HidDriver with hidapi and libudev behind it. Each
// plug-in file (hiddriver_1.so for the receiver, hiddriver_2.so for the cable) has its own.
#include <memory>

#include "plugins/driver_exports/driver_backend.h"
#include "plugins/hiddriver/hid_driver.h"
#include "plugins/hiddriver/hidapi_channel.h"
#include "plugins/hiddriver/udev_event_source.h"

qx4::DriverBackend& qx4::driverBackend() {
    static hid::HidDriver driver(std::make_unique<hid::HidapiChannel>(), [](int vendorId, int productId) {
        return hid::UdevEventSource::create(vendorId, productId);
    });
    return driver;
}
