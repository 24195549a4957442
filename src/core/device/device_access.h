// Whether the mouse is on USB but closed to this user. The driver libraries only say that they
// found no mouse; sysfs says whether a KESTRA QX4 (1d57:fa65 cable, 1d57:fa66 receiver) is
// plugged in, and /dev whether its hidraw nodes are there and open to this user. What to do about
// it depends on where the udev rule is and whether udev runs at all (containers often have none).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qx4 {

// The parts of the system the check reads; tests point them at a made-up tree.
struct SystemFolders {
    std::filesystem::path sys = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path run = "/run";
    std::filesystem::path etc = "/etc";
    std::filesystem::path usr = "/usr";
    std::filesystem::path lib = "/lib";
    // 0 when this user may read and write the node, else the errno of the attempt.
    std::function<int(const std::filesystem::path&)> nodeAccessError;
};
SystemFolders systemFolders();

struct DeviceAccess {
    enum class State {
        noMouse,      // no QX4 on USB: nothing to tell beyond "no mouse"
        open,         // on USB and every node is open to this user
        notPermitted, // a node is there, but this user may not open it
        noNode,       // on USB, but no hidraw node for it in /dev (a container without udev)
    };
    State state = State::noMouse;
    std::vector<std::filesystem::path> blockedNodes;  // notPermitted: the nodes this user may not open
    bool udevRuns = false;  // /run/udev/control: without it a udev rule has no effect
};
DeviceAccess checkDeviceAccess(const SystemFolders& system);

// What fixes notPermitted, for a program in `programFolder`.
struct AccessFix {
    enum class Kind {
        installRule,  // copy the rule into /etc/udev/rules.d and apply it
        applyRule,    // the rule is already where udev reads it, but was not applied yet
        noUdev,       // no udev: the node's access has to be given by other means
    };
    Kind kind = Kind::installRule;
    std::optional<std::filesystem::path> rule;  // the rule file to install (installRule)
    std::string command;  // the exact shell command, empty for noUdev
};
AccessFix accessFix(const DeviceAccess& access, const std::filesystem::path& programFolder,
                    const SystemFolders& system);

// The whole explanation in English for a terminal: what is wrong, the command and what follows;
// empty for noMouse and open.
std::string accessProblemText(const DeviceAccess& access, const AccessFix& fix);

}  // namespace qx4
