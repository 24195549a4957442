#include "plugins/hiddriver/udev_event_source.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "plugins/hiddriver/device_reading.h"

namespace qx4::hid {

namespace {

constexpr std::size_t kMaxInputReport = 64;

// Whether the hidraw node's interface is a configuration interface (vendor usage page).
bool carriesStatus(const std::string& syspath) {
    std::ifstream file(syspath + "/device/report_descriptor", std::ios::binary);
    const std::vector<std::uint8_t> descriptor{std::istreambuf_iterator<char>(file), {}};
    const auto page = firstUsagePage(descriptor);
    return page && isVendorUsagePage(*page);
}

}  // namespace

NodeCalls systemNodeCalls() {
    return {[](const char* node) { return ::open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC); },
            [](int fd, void* buffer, std::size_t size) { return static_cast<long>(::read(fd, buffer, size)); },
            [](int fd) { return ::close(fd); }};
}

std::unique_ptr<DeviceEventSource> UdevEventSource::create(int vendorId, int productId) {
    return create(vendorId, productId, systemNodeCalls());
}

std::unique_ptr<DeviceEventSource> UdevEventSource::create(int vendorId, int productId, NodeCalls calls) {
    std::unique_ptr<UdevEventSource> source(new UdevEventSource(vendorId, productId, calls));
    if (!source->start()) return nullptr;
    return source;
}

UdevEventSource::UdevEventSource(int vendorId, int productId, NodeCalls calls)
    : vendorId_(vendorId), productId_(productId), calls_(calls) {}

UdevEventSource::~UdevEventSource() {
    for (auto& [path, fd] : nodes_) {
        if (fd >= 0) calls_.close(fd);
    }
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool UdevEventSource::start() {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    udev_ = udev_new();
    if (wakeFd_ < 0 || !udev_) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        return false;
    }
    // The nodes already there belong to a device the program opens itself: no arrival for them.
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (!enumerate) return false;
    udev_enumerate_add_match_subsystem(enumerate, "hidraw");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
        udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (!device) continue;
        if (matches(device)) track(device, false);
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    return true;
}

bool UdevEventSource::matches(udev_device* device) const {
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
    const char* id = hid ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
    unsigned bus = 0, vendor = 0, product = 0;
    // HID_ID is "bus:vendor:product" in hex, e.g. 0003:00001D57:0000FA66.
    if (!id || std::sscanf(id, "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
    return static_cast<int>(vendor) == vendorId_ && static_cast<int>(product) == productId_;
}

void UdevEventSource::track(udev_device* device, bool announce) {
    const char* syspath = udev_device_get_syspath(device);
    const char* node = udev_device_get_devnode(device);
    if (!syspath || nodes_.count(syspath)) return;
    int fd = -1;
    // A node that cannot be opened (no access) still counts for arrival and removal.
    if (node && carriesStatus(syspath)) fd = calls_.open(node);
    if (announce && nodes_.empty()) pending_.push_back({DeviceEvent::Kind::arrived, {}});
    nodes_[syspath] = fd;
}

void UdevEventSource::untrack(const std::string& syspath) {
    const auto found = nodes_.find(syspath);
    if (found == nodes_.end()) return;
    if (found->second >= 0) calls_.close(found->second);
    nodes_.erase(found);
    if (nodes_.empty()) pending_.push_back({DeviceEvent::Kind::removed, {}});
}

void UdevEventSource::handleMonitor() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device) return;
    const char* action = udev_device_get_action(device);
    const char* syspath = udev_device_get_syspath(device);
    if (action && syspath) {
        if (std::strcmp(action, "add") == 0 && matches(device)) track(device, true);
        if (std::strcmp(action, "remove") == 0) untrack(syspath);
    }
    udev_device_unref(device);
}

bool UdevEventSource::tracks(int fd) const {
    return std::any_of(nodes_.begin(), nodes_.end(), [fd](const auto& node) { return node.second == fd; });
}

void UdevEventSource::readInput(int fd) {
    std::vector<std::uint8_t> report(kMaxInputReport);
    const long n = calls_.read(fd, report.data(), report.size());
    if (n > 0) {
        report.resize(static_cast<std::size_t>(n));
        pending_.push_back({DeviceEvent::Kind::input, std::move(report)});
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    // The node went away; udev's removal follows and tells the program.
    for (auto& [path, open] : nodes_) {
        if (open == fd) open = -1;
    }
    calls_.close(fd);
}

DeviceEvent UdevEventSource::next() {
    while (pending_.empty()) {
        std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}, {udev_monitor_get_fd(monitor_), POLLIN, 0}};
        for (const auto& [path, fd] : nodes_) {
            if (fd >= 0) fds.push_back({fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return {DeviceEvent::Kind::stopped, {}};
        }
        if (fds[0].revents != 0) return {DeviceEvent::Kind::stopped, {}};
        if (fds[1].revents != 0) handleMonitor();
        for (std::size_t i = 2; i < fds.size(); ++i) {
            // A "remove" in this round may have closed the node already (poll reports its hang-up
            // with it); its number may belong to another thread's device by now.
            if (fds[i].revents != 0 && tracks(fds[i].fd)) readInput(fds[i].fd);
        }
    }
    DeviceEvent event = std::move(pending_.front());
    pending_.pop_front();
    return event;
}

void UdevEventSource::stop() {
    const std::uint64_t one = 1;
    while (::write(wakeFd_, &one, sizeof(one)) < 0 && errno == EINTR) {
    }
}

}  // namespace qx4::hid
