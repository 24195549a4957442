// The seven driver entry points over one VirtualMouseLink. Each plug-in file (virtualmouse_1.so,
// virtualmouse_2.so) has its own copy of this state; which link it serves follows from the product
// id that Set_VIDPID receives.
#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"
#include "plugins/virtualmouse/virtual_mouse_link.h"

namespace {

qx4::vm::VirtualMouseLink& theLink() {
    static qx4::vm::VirtualMouseLink link;
    return link;
}

}  // namespace

extern "C" {

void Set_VIDPID(int vendorId, int productId) {
    theLink().setIds(vendorId, productId);
}

void Open_DevMonitor(const qx4_message_sink* sink, uint32_t dataMessage, uint32_t arrivalMessage) {
    if (!sink) return;
    try {
        theLink().openMonitor(*sink, dataMessage, arrivalMessage);
    } catch (...) {
    }
}

void Close_DevMonitor(void) {
    try {
        theLink().closeMonitor();
    } catch (...) {
    }
}

int Open_FeatureDevice(void) {
    try {
        return theLink().openFeature() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void Close_FeatureDevice(void) {
    try {
        theLink().closeFeature();
    } catch (...) {
    }
}

int SetFeature(const unsigned char* report, int length) {
    try {
        return theLink().setFeature(report, length) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

// The virtual mouse keeps no readable feature reports.
int GetFeature(unsigned char*, int) {
    return 0;
}

}
