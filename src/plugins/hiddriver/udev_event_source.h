// Device events from libudev (the hidraw nodes of one vendor/product id coming and going) and the
// input reports of the device's configuration interfaces, read from their hidraw nodes. One
// thread waits on all of them and on a wake-up descriptor; nothing is polled on a timer.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "plugins/hiddriver/hid_ports.h"

struct udev;
struct udev_device;
struct udev_monitor;

namespace qx4::hid {

// The calls made on the hidraw nodes; a test watches them.
struct NodeCalls {
    int (*open)(const char* node);  // for reading, non-blocking
    long (*read)(int fd, void* buffer, std::size_t size);
    int (*close)(int fd);
};
NodeCalls systemNodeCalls();

class UdevEventSource final : public DeviceEventSource {
public:
    // Null when udev cannot be reached.
    static std::unique_ptr<DeviceEventSource> create(int vendorId, int productId);
    static std::unique_ptr<DeviceEventSource> create(int vendorId, int productId, NodeCalls calls);
    ~UdevEventSource() override;
    UdevEventSource(const UdevEventSource&) = delete;
    UdevEventSource& operator=(const UdevEventSource&) = delete;

    DeviceEvent next() override;
    void stop() override;

private:
    UdevEventSource(int vendorId, int productId, NodeCalls calls);
    bool start();
    bool matches(udev_device* device) const;
    // Takes note of a node of the device; the first one makes it arrive.
    void track(udev_device* device, bool announce);
    void untrack(const std::string& syspath);
    void handleMonitor();
    bool tracks(int fd) const;
    void readInput(int fd);

    int vendorId_;
    int productId_;
    NodeCalls calls_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int wakeFd_ = -1;
    // syspath of every hidraw node of the device -> descriptor of its open node, or -1 for the
    // nodes that carry no status.
    std::map<std::string, int> nodes_;
    std::deque<DeviceEvent> pending_;
};

}  // namespace qx4::hid
