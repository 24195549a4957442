// qx4-config --simulate against qx4-virtual-mouse, as a user runs it: a second start, the mouse's
// DPI button, unplugging and plugging its links, and the end of the program.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "core/config/device_config.h"
#include "program_process.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

const std::string kProgram = QX4_BIN_DIR "/qx4-config";

std::optional<std::filesystem::path> findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate = std::filesystem::path(folders.substr(start, end - start)) / name;
        if (!folders.substr(start, end - start).empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// What every run shares: its own data folder and the program's diagnostic lines.
struct ProgramEnvironment {
    explicit ProgramEnvironment(const std::string& platform)
        : dataEnv("QX4_DATA_DIR", data.path().string()),
          platformEnv("QT_QPA_PLATFORM", platform),
          logEnv("QT_LOGGING_RULES", std::string("qx4.app.debug=true")) {}

    std::int32_t storedDpiLevel() const {
        std::ifstream file(data.path() / "Data" / "ms_1" / "Config_1.data", std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
        std::int32_t level = -1;
        const std::size_t at = offsetof(DeviceConfig, profiles) + offsetof(ProfileSettings, dpiLevel);
        if (bytes.size() == sizeof(DeviceConfig)) std::memcpy(&level, bytes.data() + at, sizeof level);
        return level;
    }

    TempFolder data;
    ScopedEnv dataEnv;
    ScopedEnv platformEnv;
    ScopedEnv logEnv;
};

// An X display of its own with a tray on it, as a desktop session offers.
class DesktopSession : public testing::Test {
protected:
    void SetUp() override {
        const auto xvfb = findOnPath("Xvfb");
        if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
        display_.emplace(xvfb->string(), std::vector<std::string>{"-displayfd", "1", "-screen", "0",
                                                                 "1280x800x24", "-nolisten", "tcp"});
        ASSERT_TRUE(display_->waitFor("\n")) << display_->output();
        const std::string number = display_->output().substr(0, display_->output().find('\n'));
        displayEnv_.emplace("DISPLAY", ":" + number);
        tray_.emplace(QX4_TEST_TRAY, std::vector<std::string>{});
        ASSERT_TRUE(tray_->waitFor("ready")) << tray_->output();
    }

private:
    std::optional<ProgramProcess> display_;
    std::optional<ScopedEnv> displayEnv_;
    std::optional<ProgramProcess> tray_;
};

TEST_F(DesktopSession, ASecondStartBringsTheFirstForwardAndTheMouseDpiButtonShowsItsValue) {
    VirtualMouse mouse;
    ProgramEnvironment environment("xcb");
    ProgramProcess first(kProgram, {"--simulate", "--tray"});
    ASSERT_TRUE(first.waitFor("connection changed: connected")) << first.output();
    EXPECT_EQ(first.output().find("main window shown"), std::string::npos)
        << "an argument starts the program in the tray";

    ProgramProcess second(kProgram, {"--simulate"});
    EXPECT_EQ(second.waitForExit(), 1) << second.output();
    EXPECT_TRUE(first.waitFor("main window shown")) << first.output();

    mouse.command("dpi");
    ASSERT_TRUE(first.waitFor("popup: \"DPI :1600\"")) << first.output();
    EXPECT_EQ(environment.storedDpiLevel(), 3) << "the mouse's switch is saved at once";
    EXPECT_EQ(first.terminate(), 0) << first.output();
}

TEST_F(DesktopSession, UnpluggingBothLinksHidesTheWindowAndPluggingBackLeavesItHidden) {
    VirtualMouse::Options bothLinks;
    bothLinks.cable = true;
    VirtualMouse mouse(bothLinks);
    ProgramEnvironment environment("xcb");
    ProgramProcess program(kProgram, {"--simulate"});
    ASSERT_TRUE(program.waitFor("main window shown")) << program.output();

    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    ASSERT_TRUE(program.waitFor("connection changed: no mouse")) << program.output();
    EXPECT_TRUE(program.waitFor("main window hidden")) << program.output();

    mouse.command("receiver plug");
    ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();
    EXPECT_FALSE(program.saw("main window shown")) << "a reconnect does not show the window";
    EXPECT_EQ(program.terminate(), 0) << program.output();
}

}  // namespace
}  // namespace qx4::test
