// The seven C entry points of a driver plug-in over its DriverBackend. Nothing crosses them as an
// exception: a call that throws does nothing and reports failure.
#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"
#include "plugins/driver_exports/driver_backend.h"

namespace {

template <typename Call>
auto shielded(Call call, decltype(call()) onFailure) noexcept {
    try {
        return call();
    } catch (...) {
        return onFailure;
    }
}

template <typename Call>
void shielded(Call call) noexcept {
    try {
        call();
    } catch (...) {
    }
}

}  // namespace

extern "C" {

void Set_VIDPID(int vendorId, int productId) {
    shielded([&] { qx4::driverBackend().setIds(vendorId, productId); });
}

void Open_DevMonitor(const qx4_message_sink* sink, uint32_t dataMessage, uint32_t arrivalMessage) {
    if (!sink) return;
    shielded([&] { qx4::driverBackend().openMonitor(*sink, dataMessage, arrivalMessage); });
}

void Close_DevMonitor(void) {
    shielded([] { qx4::driverBackend().closeMonitor(); });
}

int Open_FeatureDevice(void) {
    return shielded([] { return qx4::driverBackend().openFeature() ? 1 : 0; }, 0);
}

void Close_FeatureDevice(void) {
    shielded([] { qx4::driverBackend().closeFeature(); });
}

int SetFeature(const unsigned char* report, int length) {
    return shielded([&] { return qx4::driverBackend().setFeature(report, length) ? 1 : 0; }, 0);
}

int GetFeature(unsigned char* report, int length) {
    return shielded([&] { return qx4::driverBackend().getFeature(report, length); }, 0);
}

}
