#include "kernel_mouse.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

#include "command_interpreter.h"

namespace qx4::vm {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kVendorId = 0x1D57;
constexpr std::uint8_t kStatusReportId = 0x07;
constexpr int kHidrawMajor = 243;

// Usage Page (Vendor 0xFF00), an input report of four bytes (id 7) and a feature report of up to
// 128 bytes: what the driver looks for to choose the configuration interface.
const Bytes kConfigurationDescriptor{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, kStatusReportId,
                                     0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x04,
                                     0x81, 0x02, 0x09, 0x02, 0x95, 0x80, 0xB1, 0x02, 0xC0};
// A plain three-button mouse on the Generic Desktop page.
const Bytes kMouseDescriptor{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09,
                             0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01,
                             0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30,
                             0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
                             0xC0, 0xC0};

struct Node {
    Link link;
    bool configuration;
    bool gone = false;
    int master = -1;  // the pty's master: a byte written there per queued report makes the node readable
    int drain = -1;   // a reader of its own on the pty, to take that byte back when a report is read
    std::deque<Bytes> input;
};

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// sysfs writes ids in lower case, the kernel's HID names in upper case.
std::string hex4(int value, bool upper = true) {
    char text[8];
    std::snprintf(text, sizeof(text), upper ? "%04X" : "%04x", value);
    return text;
}

GCallback callback(auto* function) {
    return reinterpret_cast<GCallback>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

struct KernelMouse::Impl {
    explicit Impl(MouseModel::Start start) : model(start) {}

    UMockdevTestbed* bed = nullptr;
    UMockdevIoctlBase* handler = nullptr;
    std::filesystem::path rootDir;
    std::FILE* log = nullptr;
    int hidCount = 0;
    int nextMinor = 0;
    std::map<Link, std::vector<std::string>> devices;  // per link, from its USB device down

    mutable std::mutex mutex;  // below: the model and the nodes, shared with umockdev's thread
    mutable std::condition_variable reported;
    MouseModel model;
    std::map<std::string, Node> nodes;  // by devnode
    std::vector<KernelReport> heard;  // every feature report, in order
    std::optional<std::pair<int, int>> failure;  // accepted reports to go, errno

    std::string addDevice(const char* subsystem, const std::string& name, const std::string& parent,
                          std::vector<std::string> attributes, std::vector<std::string> properties) {
        std::vector<gchar*> attributeList, propertyList;
        for (auto& a : attributes) attributeList.push_back(a.data());
        for (auto& p : properties) propertyList.push_back(p.data());
        attributeList.push_back(nullptr);
        propertyList.push_back(nullptr);
        gchar* path = umockdev_testbed_add_devicev(bed, subsystem, name.c_str(), parent.empty() ? nullptr : parent.c_str(),
                                                   attributeList.data(), propertyList.data());
        if (!path) throw std::runtime_error("umockdev refused the device " + name);
        std::string syspath = path;
        g_free(path);
        return syspath;
    }

    // The node first, then its device: a monitor that opens the node when it hears "add" must find
    // the emulated one, never the real /dev/hidrawN.
    void addHidraw(Link link, bool configuration, const std::string& hid) {
        const int minor = nextMinor++;
        const std::string devnode = "/dev/hidraw" + std::to_string(minor);
        Node node{link, configuration, false, -1, -1, {}};
        node.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (node.master < 0 || ::grantpt(node.master) != 0 || ::unlockpt(node.master) != 0) {
            throw std::runtime_error("no pseudo terminal for " + devnode);
        }
        const std::string slave = ::ptsname(node.master);
        node.drain = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios raw{};
        if (node.drain < 0 || ::tcgetattr(node.drain, &raw) != 0) throw std::runtime_error("cannot open " + slave);
        ::cfmakeraw(&raw);
        ::tcsetattr(node.drain, TCSANOW, &raw);
        const auto file = rootDir / devnode.substr(1);
        std::filesystem::create_directories(file.parent_path());
        std::filesystem::create_symlink(slave, file);
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(bed, devnode.c_str(), handler, &error)) {
            const std::string message = error ? error->message : devnode;
            g_clear_error(&error);
            throw std::runtime_error("umockdev: " + message);
        }
        const std::string name = "hidraw" + std::to_string(minor);
        {
            std::lock_guard lock(mutex);
            nodes.emplace(devnode, std::move(node));
        }
        // Its "device" link must be there when "add" is told: hidapi and the driver read
        // <hidraw>/device/report_descriptor on hearing it.
        const std::string syspath = hid + "/" + name;
        const std::string record = "P: " + syspath.substr(std::string_view("/sys").size()) +
            "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + devnode + "\nE: MAJOR=" + std::to_string(kHidrawMajor) +
            "\nE: MINOR=" + std::to_string(minor) + "\nA: dev=" + std::to_string(kHidrawMajor) + ":" +
            std::to_string(minor) + "\nL: device=..\n";
        GError* refusal = nullptr;
        if (!umockdev_testbed_add_from_string(bed, record.c_str(), &refusal)) {
            const std::string message = refusal ? refusal->message : name;
            g_clear_error(&refusal);
            throw std::runtime_error("umockdev refused " + name + ": " + message);
        }
        devices[link].push_back(syspath);
    }

    void plug(Link link) {
        const bool cable = link == Link::cable;
        const std::string product = hex4(linkParameters(link).productId, false);
        const std::string port = cable ? "1-2" : "1-1";
        const std::string name = std::string("KESTRA QX4 ") + (cable ? "Cable" : "Receiver");
        const std::string usb = addDevice("usb", "usb1/" + port, "",
            {"idVendor", "1d57", "idProduct", product, "manufacturer", "KESTRA", "product", name,
             "bcdDevice", "0100", "busnum", "1", "devnum", cable ? "3" : "2"},
            {"DEVTYPE", "usb_device", "PRODUCT", "1d57/" + product + "/100", "BUSNUM", "001", "DEVNUM", cable ? "003" : "002"});
        devices[link] = {usb};
        for (const bool configuration : {false, true}) {
            const std::string number = configuration ? "1" : "0";
            const std::string interface = addDevice("usb", port + ":1." + number, usb,
                {"bInterfaceNumber", "0" + number, "bInterfaceClass", "03"},
                {"DEVTYPE", "usb_interface", "INTERFACE", configuration ? "3/0/0" : "3/1/2"});
            const std::string id = hex4(linkParameters(link).productId);
            const std::string hid = addDevice("hid", "0003:1D57:" + id + "." + hex4(++hidCount), interface, {},
                {"HID_ID", "0003:00001D57:0000" + id, "HID_NAME", name, "HID_UNIQ", "",
                 "HID_PHYS", "usb-0000:00:14.0-" + port.substr(2) + "/input" + number});
            Bytes descriptor = configuration ? kConfigurationDescriptor : kMouseDescriptor;
            umockdev_testbed_set_attribute_binary(bed, hid.c_str(), "report_descriptor", descriptor.data(),
                                                  static_cast<gint>(descriptor.size()));
            devices[link].push_back(interface);
            devices[link].push_back(hid);
            addHidraw(link, configuration, hid);
        }
    }

    // As the kernel does: the nodes hang up, then "remove" for each device.
    void unplug(Link link) {
        std::vector<std::string> gone;
        {
            std::lock_guard lock(mutex);
            for (auto& [devnode, node] : nodes) {
                if (node.link != link || node.master < 0) continue;
                node.gone = true;
                closeFd(node.master);
                gone.push_back(devnode);
            }
        }
        // The kernel takes the interfaces from the last one down, each from its hidraw node up,
        // and the USB device last: the reverse of plugging.
        auto order = devices[link];
        std::reverse(order.begin(), order.end());
        for (const auto& path : order) umockdev_testbed_uevent(bed, path.c_str(), "remove");
        for (const auto& path : order) umockdev_testbed_remove_device(bed, path.c_str());
        devices.erase(link);
        // A name left without a node would open the real /dev/hidrawN: a dangling link hides it.
        for (const auto& devnode : gone) {
            const auto file = rootDir / devnode.substr(1);
            std::filesystem::remove(file);
            std::filesystem::create_symlink("/nonexistent/removed-node", file);
        }
    }

    // Called with the lock held.
    void queueInput(Link link, std::uint16_t code, std::uint16_t value) {
        for (auto& [devnode, node] : nodes) {
            if (node.link != link || !node.configuration || node.gone) continue;
            node.input.push_back({kStatusReportId, static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code),
                                  static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
            const char ready = 1;
            [[maybe_unused]] const auto written = ::write(node.master, &ready, 1);
        }
    }

    // The answer to one ioctl, as (result, errno).
    std::pair<long, int> answerIoctl(Node& node, unsigned long request, UMockdevIoctlData* arg) {
        GError* error = nullptr;
        const auto resolve = [&](std::size_t size) {
            UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
            g_clear_error(&error);
            return data;
        };
        if (request == HIDIOCGRDESCSIZE || request == HIDIOCGRDESC) {
            Bytes descriptor = node.configuration ? kConfigurationDescriptor : kMouseDescriptor;
            UMockdevIoctlData* data = resolve(request == HIDIOCGRDESC ? sizeof(hidraw_report_descriptor) : sizeof(int));
            if (!data) return {-1, EFAULT};
            int size = static_cast<int>(descriptor.size());
            umockdev_ioctl_data_update(data, 0, reinterpret_cast<guint8*>(&size), sizeof(size));
            if (request == HIDIOCGRDESC) {
                umockdev_ioctl_data_update(data, offsetof(hidraw_report_descriptor, value), descriptor.data(), size);
            }
            return {0, 0};
        }
        if (request == HIDIOCGRAWINFO) {
            UMockdevIoctlData* data = resolve(sizeof(hidraw_devinfo));
            if (!data) return {-1, EFAULT};
            hidraw_devinfo info{BUS_USB, static_cast<__s16>(kVendorId), static_cast<__s16>(linkParameters(node.link).productId)};
            umockdev_ioctl_data_update(data, 0, reinterpret_cast<guint8*>(&info), sizeof(info));
            return {0, 0};
        }
        const bool hid = _IOC_TYPE(request) == 'H' && _IOC_DIR(request) == (_IOC_READ | _IOC_WRITE);
        const std::size_t length = _IOC_SIZE(request);
        if (hid && _IOC_NR(request) == _IOC_NR(HIDIOCSFEATURE(0)) && length > 0) {
            UMockdevIoctlData* data = resolve(length);
            if (!data) return {-1, EFAULT};
            Bytes report(data->data, data->data + length);
            return takeReport(node, std::move(report));
        }
        // The mouse keeps no reports to read back.
        if (hid && _IOC_NR(request) == _IOC_NR(HIDIOCGFEATURE(0))) return {-1, EPIPE};
        return {-1, ENOTTY};
    }

    std::pair<long, int> takeReport(Node& node, Bytes report) {
        const auto length = static_cast<long>(report.size());
        if (!node.configuration) {
            heard.push_back({node.link, false, std::move(report)});
            reported.notify_all();
            return {-1, EPIPE};  // a plain mouse interface has no feature reports
        }
        if (failure && failure->first-- <= 0) {
            const int error = failure->second;
            failure.reset();
            if (error == ENODEV) {
                for (auto& [devnode, each] : nodes) each.gone = each.gone || each.link == node.link;
            }
            return {-1, error};
        }
        const ReportOutcome outcome = model.receiveReport(node.link, report);
        if (outcome.verdict != Verdict::unreachable) {
            if (log) {
                std::fputs(linkName(node.link), log);
                for (const auto byte : report) std::fprintf(log, " %02x", byte);
                std::fputc('\n', log);
                std::fflush(log);
            }
            heard.push_back({node.link, true, std::move(report)});
            reported.notify_all();
        }
        return outcome.verdict == Verdict::accepted ? std::pair<long, int>{length, 0} : std::pair<long, int>{-1, EPIPE};
    }

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto& impl = *static_cast<Impl*>(self);
        std::pair<long, int> answer{-1, ENODEV};
        {
            std::lock_guard lock(impl.mutex);
            const auto found = impl.nodes.find(umockdev_ioctl_client_get_devnode(client));
            if (found != impl.nodes.end() && !found->second.gone) {
                answer = impl.answerIoctl(found->second, umockdev_ioctl_client_get_request(client),
                                          umockdev_ioctl_client_get_arg(client));
            }
        }
        umockdev_ioctl_client_complete(client, answer.first, answer.second);
        return TRUE;
    }

    // hidraw's read: one queued report, EAGAIN when there is none (the nodes are opened
    // non-blocking), EIO once the device is gone.
    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto& impl = *static_cast<Impl*>(self);
        std::pair<long, int> answer{-1, EIO};
        {
            std::lock_guard lock(impl.mutex);
            const auto found = impl.nodes.find(umockdev_ioctl_client_get_devnode(client));
            if (found != impl.nodes.end() && !found->second.gone) {
                Node& node = found->second;
                answer = {-1, EAGAIN};
                UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
                if (!node.input.empty()) {
                    Bytes report = std::move(node.input.front());
                    node.input.pop_front();
                    char ready;
                    [[maybe_unused]] const auto taken = ::read(node.drain, &ready, 1);
                    const auto size = std::min<std::size_t>(report.size(), static_cast<std::size_t>(buffer->data_len));
                    umockdev_ioctl_data_update(buffer, 0, report.data(), static_cast<gint>(size));
                    answer = {static_cast<long>(size), 0};
                }
            }
        }
        umockdev_ioctl_client_complete(client, answer.first, answer.second);
        return TRUE;
    }
};

KernelMouse::KernelMouse(MouseModel::Start start, std::optional<std::filesystem::path> log)
    : impl_(std::make_unique<Impl>(start)) {
    if (log) {
        impl_->log = std::fopen(log->c_str(), "w");
        if (!impl_->log) throw std::runtime_error("cannot write the log " + log->string());
    }
    impl_->bed = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(impl_->bed);
    impl_->rootDir = root;
    g_free(root);
    // Without the preload in this process, /sys and /dev would be the real ones: a file only the
    // emulated /sys has tells.
    const auto probe = impl_->rootDir / "sys/.qx4-emulated";
    std::ofstream{probe}.put('\n');
    if (::access("/sys/.qx4-emulated", F_OK) != 0) {
        g_object_unref(impl_->bed);
        throw std::runtime_error("the emulated kernel needs libumockdev-preload.so.0 in LD_PRELOAD (umockdev-wrapper)");
    }
    impl_->handler = umockdev_ioctl_base_new();
    g_signal_connect(impl_->handler, "handle-ioctl", callback(&Impl::onIoctl), impl_.get());
    g_signal_connect(impl_->handler, "handle-read", callback(&Impl::onRead), impl_.get());
    for (const Link link : {Link::receiver, Link::cable}) {
        if (impl_->model.plugged(link)) impl_->plug(link);
    }
}

KernelMouse::~KernelMouse() {
    g_object_unref(impl_->bed);
    g_object_unref(impl_->handler);
    for (auto& [devnode, node] : impl_->nodes) {
        closeFd(node.master);
        closeFd(node.drain);
    }
    if (impl_->log) std::fclose(impl_->log);
}

std::string KernelMouse::command(std::string_view line) {
    CommandResult result;
    {
        std::lock_guard lock(impl_->mutex);
        result = runCommand(impl_->model, line);
    }
    for (const Push& push : result.pushes) {
        if (push.type == FrameType::arrival) {
            push.value ? impl_->plug(push.link) : impl_->unplug(push.link);
        } else {
            std::lock_guard lock(impl_->mutex);
            impl_->queueInput(push.link, push.code, push.value);
        }
    }
    if (result.wait) return "error: wait is for the socket's clients";
    return result.reply;
}

std::filesystem::path KernelMouse::root() const {
    return impl_->rootDir;
}

std::vector<KernelNode> KernelMouse::nodes() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<KernelNode> present;
    for (const auto& [devnode, node] : impl_->nodes) {
        if (!node.gone) present.push_back({node.link, node.configuration, devnode, impl_->rootDir / devnode.substr(1)});
    }
    return present;
}

void KernelMouse::failReport(int accepted, int error) {
    std::lock_guard lock(impl_->mutex);
    impl_->failure = {accepted, error};
}

void KernelMouse::setNodesOpen(Link link, bool open) {
    const mode_t mode = open ? 0666 : ::geteuid() == 0 ? 0600 : 0;
    std::lock_guard lock(impl_->mutex);
    for (auto& [devnode, node] : impl_->nodes) {
        if (node.link == link && !node.gone) ::fchmod(node.drain, mode);
    }
}

std::vector<KernelReport> KernelMouse::reports() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->heard;
}

bool KernelMouse::waitForReports(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->reported.wait_for(lock, timeout, [&] { return impl_->heard.size() >= count; });
}

void KernelMouse::inspect(const std::function<void(const MouseModel&)>& reader) const {
    std::lock_guard lock(impl_->mutex);
    reader(impl_->model);
}

}  // namespace qx4::vm
