// The seven C entry points of a driver plug-in over its DriverBackend. Nothing crosses them as an
// exception: a call that throws does nothing and reports failure.
//
// exit() ends the backend with the plug-in's other statics while the program's threads still
// run: Qt calls it from the UI thread when the X server goes away, in the middle of an apply. So
// the backend's end waits for the calls in progress, and a call after it fails without touching
// the backend.
#define QX4_DRIVER_IMPLEMENTATION
#include <atomic>

#include "core/abi/qx4_driver.h"
#include "plugins/driver_exports/driver_backend.h"

namespace {

// Trivially destructible, so they outlast every static of the plug-in.
std::atomic<int> callsInProgress{0};
std::atomic<bool> backendEnded{false};
// A call that ends the process itself (a library under it calling exit()) is not waited for.
thread_local int callsOnThisThread = 0;

// Made just after the backend, so it is destroyed just before it.
struct BackendEnd {
    BackendEnd() = default;
    BackendEnd(const BackendEnd&) = delete;
    BackendEnd& operator=(const BackendEnd&) = delete;
    ~BackendEnd() {
        backendEnded = true;
        for (int calls = callsInProgress; calls != callsOnThisThread; calls = callsInProgress) {
            callsInProgress.wait(calls);
        }
    }
};

qx4::DriverBackend& backend() {
    qx4::DriverBackend& backend = qx4::driverBackend();
    static const BackendEnd end;
    return backend;
}

template <typename Result, typename Call>
Result shielded(Call call, Result onFailure) noexcept {
    ++callsInProgress;
    ++callsOnThisThread;
    Result result = onFailure;
    if (!backendEnded) {
        try {
            result = call(backend());
        } catch (...) {
        }
    }
    --callsOnThisThread;
    if (--callsInProgress == 0 || backendEnded) callsInProgress.notify_all();
    return result;
}

template <typename Call>
void shielded(Call call) noexcept {
    shielded(
        [&](qx4::DriverBackend& backend) {
            call(backend);
            return true;
        },
        false);
}

}  // namespace

extern "C" {

void Set_VIDPID(int vendorId, int productId) {
    shielded([&](qx4::DriverBackend& backend) { backend.setIds(vendorId, productId); });
}

void Open_DevMonitor(const qx4_message_sink* sink, uint32_t dataMessage, uint32_t arrivalMessage) {
    if (!sink) return;
    shielded([&](qx4::DriverBackend& backend) { backend.openMonitor(*sink, dataMessage, arrivalMessage); });
}

void Close_DevMonitor(void) {
    shielded([](qx4::DriverBackend& backend) { backend.closeMonitor(); });
}

int Open_FeatureDevice(void) {
    return shielded([](qx4::DriverBackend& backend) { return backend.openFeature() ? 1 : 0; }, 0);
}

void Close_FeatureDevice(void) {
    shielded([](qx4::DriverBackend& backend) { backend.closeFeature(); });
}

int SetFeature(const unsigned char* report, int length) {
    return shielded([&](qx4::DriverBackend& backend) { return backend.setFeature(report, length) ? 1 : 0; }, 0);
}

int GetFeature(unsigned char* report, int length) {
    return shielded([&](qx4::DriverBackend& backend) { return backend.getFeature(report, length); }, 0);
}

}
