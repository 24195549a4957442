// One link of the real mouse as a driver library serves it: feature reports through a
// FeatureChannel, and a monitor thread that posts what a DeviceEventSource reports. Safe to use
// from the UI thread and the apply worker at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "core/abi/qx4_message_sink.h"
#include "plugins/driver_exports/driver_backend.h"
#include "plugins/hiddriver/hid_ports.h"

namespace qx4::hid {

class HidDriver final : public DriverBackend {
public:
    HidDriver(std::unique_ptr<FeatureChannel> channel, EventSourceFactory makeEventSource);
    ~HidDriver() override;
    HidDriver(const HidDriver&) = delete;
    HidDriver& operator=(const HidDriver&) = delete;

    void setIds(int vendorId, int productId) override;
    void openMonitor(const qx4_message_sink& sink, std::uint32_t dataMessage,
                     std::uint32_t arrivalMessage) override;
    void closeMonitor() override;
    bool openFeature() override;
    void closeFeature() override;
    bool setFeature(const unsigned char* report, int length) override;
    int getFeature(unsigned char* report, int length) override;

private:
    void runMonitor();
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const;

    std::atomic<int> vendorId_{0};
    std::atomic<int> productId_{0};

    std::mutex featureMutex_;
    std::unique_ptr<FeatureChannel> channel_;

    std::mutex monitorMutex_;  // serialises openMonitor and closeMonitor
    EventSourceFactory makeEventSource_;
    std::unique_ptr<DeviceEventSource> events_;
    std::thread monitorThread_;
    qx4_message_sink sink_{};
    std::uint32_t dataMessage_ = 0;
    std::uint32_t arrivalMessage_ = 0;
};

}  // namespace qx4::hid
