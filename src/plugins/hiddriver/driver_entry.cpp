// The seven driver entry points over one HidDriver with hidapi and libudev behind it. Each
// plug-in file (hiddriver_1.so for the receiver, hiddriver_2.so for the cable) has its own state.
#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"
#include "plugins/hiddriver/hid_driver.h"
#include "plugins/hiddriver/hidapi_channel.h"
#include "plugins/hiddriver/udev_event_source.h"

namespace {

qx4::hid::HidDriver& theDriver() {
    static qx4::hid::HidDriver driver(std::make_unique<qx4::hid::HidapiChannel>(),
                                      &qx4::hid::UdevEventSource::create);
    return driver;
}

}  // namespace

extern "C" {

void Set_VIDPID(int vendorId, int productId) {
    try {
        theDriver().setIds(vendorId, productId);
    } catch (...) {
    }
}

void Open_DevMonitor(const qx4_message_sink* sink, uint32_t dataMessage, uint32_t arrivalMessage) {
    if (!sink) return;
    try {
        theDriver().openMonitor(*sink, dataMessage, arrivalMessage);
    } catch (...) {
    }
}

void Close_DevMonitor(void) {
    try {
        theDriver().closeMonitor();
    } catch (...) {
    }
}

int Open_FeatureDevice(void) {
    try {
        return theDriver().openFeature() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void Close_FeatureDevice(void) {
    try {
        theDriver().closeFeature();
    } catch (...) {
    }
}

int SetFeature(const unsigned char* report, int length) {
    try {
        return theDriver().setFeature(report, length) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int GetFeature(unsigned char* report, int length) {
    try {
        return theDriver().getFeature(report, length);
    } catch (...) {
        return 0;
    }
}

}
