// qx4-config and qx4ctl on the path an owner of the mouse runs, without --simulate: the real driver
// libraries in processes of their own, the mouse as emulated kernel devices of this test's process
// (the children inherit umockdev's preload and the emulated tree).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iomanip>

#include "kernel_mouse.h"
#include "tests/support/program.h"
#include "tests/support/qx4ctl_process.h"
#include "tests/support/sample_record.h"
#include "tests/support/patience.h"

namespace qx4::test {
namespace {

using ::testing::HasSubstr;

Reports heardOn(const vm::KernelMouse& mouse, Link link) {
    Reports heard;
    for (const vm::KernelReport& report : mouse.reports()) {
        if (report.link == link && report.configuration) heard.push_back(report.bytes);
    }
    return heard;
}

class HidrawQx4ctl : public ::testing::Test {
protected:
    HidrawQx4ctl() {
        makeSampleRecord(*record);
        EXPECT_TRUE(saveConfig(*record));
    }
    static void requireEmulatedNodes(const vm::KernelMouse& mouse) {
        for (const auto& node : mouse.nodes()) ASSERT_TRUE(std::filesystem::is_symlink(node.file)) << node.file;
    }

    TempFolder data{"qx4-hidraw-data"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    // A program of another test running beside this one must not take this one's qx4ctl commands.
    TempFolder runtime{"qx4-hidraw-runtime"};
    ScopedEnv runtimeEnv{"QX4_RUNTIME_DIR", runtime.path().string()};
    std::unique_ptr<DeviceConfig> record = std::make_unique<DeviceConfig>();
};

TEST_F(HidrawQx4ctl, ApplySendsTheSavedRecordOverTheCableWhenBothArePluggedAndStatusNamesTheLinks) {
    vm::KernelMouse mouse({.receiver = true, .cable = true, .battery = 6});
    requireEmulatedNodes(mouse);
    const Ran status = runQx4ctl({"status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_THAT(status.out, HasSubstr("Receiver: present\nCable: plugged in\n"));

    const Ran apply = runQx4ctl({"apply"});
    ASSERT_EQ(apply.exitCode, 0) << apply.err;
    const Reports expected = readHexLines("full_download_sample.hex");
    EXPECT_THAT(apply.out, HasSubstr("Sent " + std::to_string(expected.size()) + " of " + std::to_string(expected.size())));
    EXPECT_EQ(heardOn(mouse, Link::cable), expected);
    EXPECT_EQ(mouse.reports().size(), expected.size());  // none over the receiver, none elsewhere
}

TEST_F(HidrawQx4ctl, ApplyFailsAndSaysWhyWithoutAMouseOrWhenItVanishesInTheMiddle) {
    vm::KernelMouse mouse({.receiver = false, .cable = false});
    const Ran none = runQx4ctl({"apply"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.err, HasSubstr("no mouse found on the receiver or the cable"));

    mouse.command("cable plug");
    requireEmulatedNodes(mouse);
    mouse.failReport(3, ENODEV);
    const Ran cut = runQx4ctl({"apply"});
    EXPECT_EQ(cut.exitCode, 1) << cut.out;
    EXPECT_EQ(heardOn(mouse, Link::cable).size(), 3u);
}

// The program's start-up download, qx4ctl's edits handed to it, the mouse's DPI button and its
// links coming and going, as the user sees them.
TEST_F(HidrawQx4ctl, TheProgramDownloadsOverTheCableTakesQx4ctlsEditsAndHearsTheMouse) {
    ScopedEnv logEnv{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    vm::KernelMouse mouse({.receiver = true, .cable = true});
    requireEmulatedNodes(mouse);
    Program program({"--tray"});
    ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    Reports expected = readHexLines("full_download_sample.hex");
    for (const auto& step : kProfileScript) {
        std::vector<std::string> arguments = step;
        std::erase(arguments, "--simulate");
        const Ran run = runQx4ctl(arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments[0] << ": " << run.err;
        expected = joined(expected, readHexGroup("profile_script_sample.hex", scriptTitle(step)));
    }
    ASSERT_TRUE(mouse.waitForReports(expected.size(), std::chrono::milliseconds{kPatienceMs}));
    EXPECT_EQ(heardOn(mouse, Link::cable), expected);
    EXPECT_EQ(mouse.reports().size(), expected.size());

    mouse.command("dpi");
    int level = 0;
    mouse.inspect([&](const vm::MouseModel& model) { level = model.profile(model.activeProfile()).dpi.currentLevel; });
    EXPECT_TRUE(program.waitFor(" DPI\" in a window")) << program.output();
    EXPECT_TRUE(program.waitFor("record saved")) << program.output();
    EXPECT_EQ(savedRecord()->active().dpiLevel, level - 1) << "the switch on the mouse reached the window";
    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    EXPECT_TRUE(program.waitFor("connection changed: no mouse")) << program.output();
    EXPECT_TRUE(program.waitFor("told: mouse disconnected")) << program.output();
    mouse.command("receiver plug");
    EXPECT_TRUE(program.waitFor("connection changed: connected")) << program.output();
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
}

// A mouse on USB whose nodes this user may not open is named as such, node by node, never as "no
// mouse". Root may open anything, so as root qx4ctl runs as nobody.
TEST_F(HidrawQx4ctl, StatusNamesTheNodesThisUserMayNotOpen) {
    vm::KernelMouse mouse({.receiver = false, .cable = true});
    requireEmulatedNodes(mouse);
    std::string nodes;
    for (const auto& node : mouse.nodes()) nodes += (nodes.empty() ? "" : " and ") + node.devnode;
    std::vector<std::string> asUser;
    if (::geteuid() == 0) {
        namespace fs = std::filesystem;
        for (const auto& open : {mouse.root(), data.path()}) fs::permissions(open, fs::perms::all);
        // umockdev's sockets, which its preload in the child connects to: the nodes alone decide.
        for (const auto& entry : fs::recursive_directory_iterator(mouse.root() / "ioctl")) fs::permissions(entry.path(), fs::perms::all);
        fs::permissions(mouse.root() / "ioctl", fs::perms::all);
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "env", "-u", "QX4_RUNTIME_DIR"};
    }
    const auto status = [&] {
        std::vector<std::string> command = asUser;
        command.insert(command.end(), {QX4_BIN_DIR "/qx4ctl", "status"});
        const Ran ran = run(command, {.mergeErrors = true});
        EXPECT_EQ(ran.exitCode, 0);
        return ran.out;
    };
    mouse.setNodesOpen(Link::cable, true);
    const std::string open = status();
    EXPECT_THAT(open, HasSubstr("Cable: plugged in")) << open;
    EXPECT_THAT(open, ::testing::Not(HasSubstr("may not open"))) << open;
    mouse.setNodesOpen(Link::cable, false);
    const std::string closed = status();
    EXPECT_THAT(closed, HasSubstr("The mouse is connected, but this user may not open it (" + nodes + ")")) << closed;
}

// qx4-virtual-mouse --kernel puts itself under umockdev's preload, runs the command on the real path
// and ends with its exit status; its log is the socket server's.
TEST_F(HidrawQx4ctl, TheVirtualMouseRunsACommandWithTheMouseAsKernelDevices) {
    ScopedEnv noBed{"UMOCKDEV_DIR", std::nullopt};
    const TempFolder scratch{"qx4-hidraw-run"};
    const auto log = scratch.path() / "reports.log";
    const auto under = [&](std::vector<std::string> command) {
        command.insert(command.begin(), {"env", "-u", "LD_PRELOAD", QX4_BIN_DIR "/qx4-virtual-mouse", "--kernel", "--cable",
                                         "--no-receiver", "--log", log.string(), "--"});
        return run(command).exitCode;
    };
    EXPECT_EQ(under({QX4_BIN_DIR "/qx4ctl", "apply"}), 0);
    std::vector<std::string> expected;
    for (const auto& report : readHexLines("full_download_sample.hex")) {
        std::string line = "cable";
        for (const auto byte : report) line += " " + (std::ostringstream() << std::hex << std::setw(2) << std::setfill('0') << int{byte}).str();
        expected.push_back(line);
    }
    std::vector<std::string> logged;
    std::ifstream file(log);
    for (std::string line; std::getline(file, line);) logged.push_back(line);
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(under({"sh", "-c", "exit 7"}), 7);
}

}  // namespace
}  // namespace qx4::test
