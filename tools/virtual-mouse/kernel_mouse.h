// The mouse as the kernel presents it, emulated with umockdev for this process and the programs it
// starts: for each plugged link a USB device with two HID interfaces, a plain mouse (interface 0)
// and the vendor-defined configuration interface (interface 1), each with its hidraw node. Feature
// reports on the configuration node reach the same MouseModel the socket server drives; the
// mouse's notifications come back as input reports on that node. Works only in a process started
// with libumockdev-preload in LD_PRELOAD (umockdev-wrapper).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mouse_model.h"

namespace qx4::vm {

struct KernelNode {
    Link link;
    bool configuration;       // the vendor-defined interface, else the plain mouse
    std::string devnode;      // /dev/hidrawN as the emulated system names it
    std::filesystem::path file;  // where that node is in the emulated tree
};

struct KernelReport {
    Link link;
    bool configuration;  // false: written to the plain mouse interface, which has no feature reports
    std::vector<std::uint8_t> bytes;
    bool operator==(const KernelReport&) const = default;
};

class KernelMouse {
public:
    // Throws std::runtime_error outside umockdev's preload: without it the nodes would be the real
    // /dev/hidraw*. `log` gets every feature report as the socket server's --log writes it.
    explicit KernelMouse(MouseModel::Start start, std::optional<std::filesystem::path> log = {});
    ~KernelMouse();
    KernelMouse(const KernelMouse&) = delete;
    KernelMouse& operator=(const KernelMouse&) = delete;

    // A command of the virtual mouse (dpi, battery 3, cable unplug, state, ...) and its reply.
    std::string command(std::string_view line);
    // The emulated root ($UMOCKDEV_DIR) and the nodes present now.
    std::filesystem::path root() const;
    std::vector<KernelNode> nodes() const;

    // After `accepted` more reports are taken, the next one fails with `error` (EPIPE, EIO); with
    // ENODEV the link's nodes go dead as an unplugged device's do, until its removal is told.
    void failReport(int accepted, int error);
    // Opens the link's nodes to every user (mode 0666), or closes them to whoever is not root
    // (mode 0600, owned by root) as nodes are without the udev rule; a process that is not root
    // closes them to itself (mode 0000).
    void setNodesOpen(Link link, bool open);
    // Every feature report written to a node, in order of arrival.
    std::vector<KernelReport> reports() const;
    // Whether `count` reports arrived within the time.
    bool waitForReports(std::size_t count, std::chrono::milliseconds timeout) const;
    // Reads the model under its lock.
    void inspect(const std::function<void(const MouseModel&)>& reader) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qx4::vm
