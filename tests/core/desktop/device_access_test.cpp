// The mouse on USB but closed to this user, on a made-up sysfs and /dev: it is never taken for no
// mouse, and the command to fix it names the rule where this program finds it.
#include "core/device/device_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <set>

#include "core/desktop/install_layout.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;
using State = DeviceAccess::State;

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class MadeUpSystem {
public:
    MadeUpSystem() {
        system.sys = root_.path() / "sys";
        system.dev = root_.path() / "dev";
        system.run = root_.path() / "run";
        system.etc = root_.path() / "etc";
        system.usr = root_.path() / "usr";
        system.lib = root_.path() / "lib";
        system.nodeAccessError = [this](const fs::path& node) { return closed.count(node.filename()) ? EACCES : 0; };
        fs::create_directories(system.sys / "class/hidraw");
        writeText(system.run / "udev/control", "");
    }
    void usbDevice(const std::string& name, const std::string& vendor, const std::string& product) {
        writeText(system.sys / "bus/usb/devices" / name / "idVendor", vendor + "\n");
        writeText(system.sys / "bus/usb/devices" / name / "idProduct", product + "\n");
    }
    // A hidraw node of a HID device; with `inDev` false, /dev lacks the node.
    void hidraw(const std::string& name, const std::string& hidId, bool inDev = true) {
        writeText(system.sys / "class/hidraw" / name / "uevent", "MAJOR=247\nMINOR=0\nDEVNAME=" + name + "\n");
        writeText(system.sys / "class/hidraw" / name / "device/uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=x\n");
        if (inDev) writeText(system.dev / name, "");
    }
    fs::path root() const { return root_.path(); }

    SystemFolders system;
    std::set<fs::path> closed;

private:
    qx4::test::TempFolder root_;
};

constexpr const char* kReceiverHid = "0003:00001D57:0000FA66";
constexpr const char* kCableHid = "0003:00001D57:0000FA65";

TEST(DeviceAccess, AMouseOnUsbThatThisUserMayNotOpenIsSaidSoNeverAsNoMouse) {
    MadeUpSystem machine;
    machine.usbDevice("1-4", "046d", "c52b");
    machine.hidraw("hidraw0", "0003:0000046D:0000C52B");
    machine.hidraw("hidraw1", "0005:00001D57:0000FA66");  // the same ids over Bluetooth are not the mouse
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noMouse);

    machine.usbDevice("1-2", "1d57", "fa66");
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noNode) << "on USB, not yet a hidraw node";
    machine.hidraw("hidraw2", kReceiverHid, false);
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noNode) << "a container without the node";

    machine.hidraw("hidraw3", kReceiverHid);
    machine.hidraw("hidraw4", kCableHid);
    machine.closed = {"hidraw3", "hidraw4"};
    const DeviceAccess closed = checkDeviceAccess(machine.system);
    EXPECT_EQ(closed.state, State::notPermitted);
    EXPECT_EQ(closed.blockedNodes.size(), 2u);
    const std::string text = accessProblemText(closed, accessFix(closed, machine.root() / "bin", machine.system));
    EXPECT_NE(text.find("The mouse is connected, but this user may not open it"), std::string::npos) << text;
    EXPECT_NE(text.find("hidraw3"), std::string::npos) << text;
    EXPECT_EQ(text.find("No mouse"), std::string::npos) << text;

    machine.closed = {"hidraw4"};
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::notPermitted) << "the cable's node is closed";
    machine.closed = {};
    const DeviceAccess open = checkDeviceAccess(machine.system);
    EXPECT_EQ(open.state, State::open);
    EXPECT_EQ(accessProblemText(open, accessFix(open, machine.root() / "bin", machine.system)), "");
}

TEST(AccessFix, TheCommandInstallsTheRuleFoundBesideTheProgramOrAppliesOneUdevAlreadyReads) {
    MadeUpSystem machine;
    machine.usbDevice("1-2", "1d57", "fa66");
    machine.hidraw("hidraw3", kReceiverHid);
    machine.closed = {"hidraw3"};
    const DeviceAccess access = checkDeviceAccess(machine.system);
    const std::string apply = "sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw";

    // Installed under a prefix with a blank in it: the rule beside the program, quoted.
    const fs::path prefix = machine.root() / "my prefix";
    writeText(prefix / "lib/udev/rules.d" / kUdevRuleFileName, "rule\n");
    AccessFix fix = accessFix(access, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::installRule);
    EXPECT_EQ(fix.command, "sudo install -m 644 '" + (prefix / "lib/udev/rules.d" / kUdevRuleFileName).string() +
                               "' /etc/udev/rules.d/ && " + apply);

    // Run from the build folder: the rule in the source tree it was built from.
    fix = accessFix(access, machine.root() / "build/bin", machine.system);
    ASSERT_TRUE(fix.rule);
    EXPECT_EQ(fix.rule->filename(), kUdevRuleFileName);
    EXPECT_TRUE(fs::exists(*fix.rule));
    EXPECT_NE(fix.command.find(fix.rule->string()), std::string::npos) << fix.command;

    // Where udev reads it already (a package installs to /usr/lib/udev/rules.d), it only needs applying.
    writeText(machine.system.usr / "lib/udev/rules.d" / kUdevRuleFileName, "rule\n");
    fix = accessFix(access, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::applyRule);
    EXPECT_EQ(fix.command, apply);

    // Without udev a rule changes nothing: the text says what does.
    fs::remove(machine.system.run / "udev/control");
    const DeviceAccess withoutUdev = checkDeviceAccess(machine.system);
    fix = accessFix(withoutUdev, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::noUdev);
    EXPECT_EQ(fix.command, "");
    const std::string text = accessProblemText(withoutUdev, fix);
    EXPECT_NE(text.find("no udev"), std::string::npos) << text;
    EXPECT_NE(text.find("--simulate"), std::string::npos) << text;
}

}  // namespace
}  // namespace qx4
