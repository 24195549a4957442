#include "core/device/device_access.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/desktop/install_layout.h"
#include "core/device/link_state.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

constexpr int kUsbBus = 3;
constexpr std::string_view kApplyCommand = "sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw";

std::string firstLine(const fs::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::optional<int> hexNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool isMouse(std::optional<int> vendor, std::optional<int> product) {
    return vendor && product && linkForIds(*vendor, *product).has_value();
}

// The value of "NAME=value" in a uevent file.
std::string ueventValue(const fs::path& path, std::string_view name) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.size() > name.size() && line.starts_with(name) && line[name.size()] == '=') return line.substr(name.size() + 1);
    }
    return {};
}

// HID_ID is "bus:vendor:product" in hex, e.g. 0003:00001D57:0000FA66.
bool isMouseHid(const std::string& hidId) {
    const auto first = hidId.find(':');
    const auto second = hidId.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) return false;
    const std::string_view id(hidId);
    return hexNumber(id.substr(0, first)) == kUsbBus &&
           isMouse(hexNumber(id.substr(first + 1, second - first - 1)), hexNumber(id.substr(second + 1)));
}

bool mouseOnUsb(const SystemFolders& system) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(system.sys / "bus/usb/devices", error)) {
        if (isMouse(hexNumber(firstLine(entry.path() / "idVendor")), hexNumber(firstLine(entry.path() / "idProduct")))) return true;
    }
    return false;
}

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::optional<fs::path> ruleWhereUdevReadsIt(const SystemFolders& system) {
    for (const fs::path& folder : {system.etc / "udev/rules.d", system.run / "udev/rules.d", system.usr / "local/lib/udev/rules.d",
                                   system.usr / "lib/udev/rules.d", system.lib / "udev/rules.d"}) {
        if (isFile(folder / kUdevRuleFileName)) return folder / kUdevRuleFileName;
    }
    return std::nullopt;
}

std::string shellWord(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._+-,:@=") == std::string::npos)
        return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string listOfPaths(const std::vector<fs::path>& paths) {
    std::string list;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i > 0) list += i + 1 == paths.size() ? " and " : ", ";
        list += paths[i].string();
    }
    return list;
}

}  // namespace

SystemFolders systemFolders() {
    SystemFolders system;
    system.nodeAccessError = [](const fs::path& node) { return ::access(node.c_str(), R_OK | W_OK) == 0 ? 0 : errno; };
    return system;
}

DeviceAccess checkDeviceAccess(const SystemFolders& system) {
    DeviceAccess access;
    access.udevRuns = fs::exists(system.run / "udev/control");
    bool found = mouseOnUsb(system);
    int openNodes = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(system.sys / "class/hidraw", error)) {
        if (!isMouseHid(ueventValue(entry.path() / "device/uevent", "HID_ID"))) continue;
        found = true;
        std::string name = ueventValue(entry.path() / "uevent", "DEVNAME");
        if (name.empty()) name = entry.path().filename().string();
        const fs::path node = system.dev / name;
        std::error_code missing;
        if (fs::symlink_status(node, missing).type() == fs::file_type::not_found) continue;
        const int refused = system.nodeAccessError ? system.nodeAccessError(node) : 0;
        if (refused == 0) {
            ++openNodes;
        } else if (refused == EACCES || refused == EPERM) {
            access.blockedNodes.push_back(node);
        }
    }
    if (!found) {
        access.state = DeviceAccess::State::noMouse;
    } else if (!access.blockedNodes.empty()) {
        access.state = DeviceAccess::State::notPermitted;
    } else {
        access.state = openNodes > 0 ? DeviceAccess::State::open : DeviceAccess::State::noNode;
    }
    return access;
}

AccessFix accessFix(const DeviceAccess& access, const fs::path& programFolder, const SystemFolders& system) {
    AccessFix fix;
    if (!access.udevRuns) {
        fix.kind = AccessFix::Kind::noUdev;
    } else if (const auto active = ruleWhereUdevReadsIt(system)) {
        fix.kind = AccessFix::Kind::applyRule;
        fix.rule = *active;
        fix.command = kApplyCommand;
    } else {
        fix.kind = AccessFix::Kind::installRule;
        fix.rule = udevRuleFor(programFolder);
        const std::string source = fix.rule ? fix.rule->string() : std::string("packaging/") + kUdevRuleFileName;
        fix.command = "sudo install -m 644 " + shellWord(source) + " /etc/udev/rules.d/ && " + std::string(kApplyCommand);
    }
    return fix;
}

std::string accessProblemText(const DeviceAccess& access, const AccessFix& fix) {
    std::ostringstream text;
    if (access.state == DeviceAccess::State::notPermitted) {
        text << "The mouse is connected, but this user may not open it (" << listOfPaths(access.blockedNodes) << ").\n";
        switch (fix.kind) {
        case AccessFix::Kind::installRule:
            text << "Install the udev rule" << (fix.rule ? "" : " from the qx4-config sources") << ":\n  " << fix.command
                 << "\nthen plug the receiver or the cable in again.\n";
            break;
        case AccessFix::Kind::applyRule:
            text << "The udev rule " << fix.rule->string() << " is installed but not applied yet:\n  " << fix.command
                 << "\nthen plug the receiver or the cable in again. The rule opens the mouse to the user logged in\n"
                    "at this computer, not to a login over the network.\n";
            break;
        case AccessFix::Kind::noUdev:
            text << "This system runs no udev (as in many containers), so a udev rule cannot help: give this user\n"
                    "read and write access to those nodes (a container has to be given them). Without udev, plugging\n"
                    "the mouse in or out is noticed at the next start only.\n";
            break;
        }
    } else if (access.state == DeviceAccess::State::noNode) {
        text << "The mouse is on USB, but there is no hidraw device node for it in /dev"
             << (access.udevRuns ? ".\nPlug the receiver or the cable in again.\n"
                                 : ", and no udev to make one (as in many\ncontainers): a container has to be given the mouse's /dev/hidraw nodes.\n");
    } else {
        return {};
    }
    text << "Without the mouse, --simulate works with qx4-virtual-mouse.\n";
    return text.str();
}

}  // namespace qx4
