#include "plugins/hiddriver/hid_driver.h"

#include "plugins/hiddriver/device_reading.h"

namespace qx4::hid {

HidDriver::HidDriver(std::unique_ptr<FeatureChannel> channel, EventSourceFactory makeEventSource)
    : channel_(std::move(channel)), makeEventSource_(std::move(makeEventSource)) {}

HidDriver::~HidDriver() {
    closeMonitor();
    closeFeature();
}

void HidDriver::setIds(int vendorId, int productId) {
    vendorId_ = vendorId;
    productId_ = productId;
}

bool HidDriver::openFeature() {
    std::lock_guard lock(featureMutex_);
    return channel_->open(vendorId_, productId_);
}

void HidDriver::closeFeature() {
    std::lock_guard lock(featureMutex_);
    channel_->close();
}

bool HidDriver::setFeature(const unsigned char* report, int length) {
    if (!report || length <= 0) return false;
    std::lock_guard lock(featureMutex_);
    if (!channel_->isOpen()) return false;
    // hidapi answers with the bytes written: a short write did not deliver the report.
    return channel_->sendFeatureReport(report, static_cast<std::size_t>(length)) == length;
}

int HidDriver::getFeature(unsigned char* report, int length) {
    if (!report || length <= 0) return 0;
    std::lock_guard lock(featureMutex_);
    if (!channel_->isOpen()) return 0;
    const int read = channel_->getFeatureReport(report, static_cast<std::size_t>(length));
    return read > 0 ? read : 0;
}

void HidDriver::openMonitor(const qx4_message_sink& sink, std::uint32_t dataMessage,
                            std::uint32_t arrivalMessage) {
    std::lock_guard lock(monitorMutex_);
    if (monitorThread_.joinable() || !makeEventSource_) return;
    // Without a device monitor the link still works; it only hears no arrivals and no status.
    events_ = makeEventSource_(vendorId_, productId_);
    if (!events_) return;
    sink_ = sink;
    dataMessage_ = dataMessage;
    arrivalMessage_ = arrivalMessage;
    try {
        monitorThread_ = std::thread(&HidDriver::runMonitor, this);
    } catch (...) {
        events_.reset();
    }
}

void HidDriver::closeMonitor() {
    std::lock_guard lock(monitorMutex_);
    if (!monitorThread_.joinable()) return;
    events_->stop();
    monitorThread_.join();
    events_.reset();
}

void HidDriver::runMonitor() {
    for (;;) {
        const DeviceEvent event = events_->next();
        switch (event.kind) {
        case DeviceEvent::Kind::arrived:
            post(arrivalMessage_, 1, 0);
            break;
        case DeviceEvent::Kind::removed:
            post(arrivalMessage_, 0, 0);
            break;
        case DeviceEvent::Kind::input:
            if (const auto status = decodeStatusReport(event.bytes)) {
                post(dataMessage_, status->code, status->value);
            }
            break;
        case DeviceEvent::Kind::stopped:
            return;
        }
    }
}

void HidDriver::post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) const {
    if (sink_.post) sink_.post(sink_.context, message, wParam, lParam);
}

}  // namespace qx4::hid
