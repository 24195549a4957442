// qx4-config --simulate against qx4-virtual-mouse on an X display with a tray, as a user runs it:
// a second start, the mouse's DPI button, unplugging its links, and the end of the program.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <optional>

#include "core/config/config_file.h"
#include "tests/e2e/app/program.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

// An X display of its own with a tray on it, as a desktop session offers, and a data folder.
class DesktopSession : public testing::Test {
protected:
    void SetUp() override {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed";
        display_.start(xvfb, {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        ASSERT_TRUE(display_.waitForReadyRead(15000));
        displayEnv_.emplace("DISPLAY", ":" + display_.readAllStandardOutput().trimmed().toStdString());
        tray_.start(QStringLiteral(QX4_TEST_TRAY), {});
        ASSERT_TRUE(tray_.waitForReadyRead(15000) && tray_.readAll().startsWith("ready"));
    }
    void TearDown() override {
        for (QProcess* process : {&tray_, &display_}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    std::int32_t storedDpiLevel() const {
        auto record = std::make_unique<DeviceConfig>();
        readConfig(*record, 0);
        return record->profiles[record->activeProfile].dpiLevel;
    }

    TempFolder data_;
    ScopedEnv dataEnv_{"QX4_DATA_DIR", data_.path().string()};
    ScopedEnv platformEnv_{"QT_QPA_PLATFORM", std::string("xcb")};
    ScopedEnv logEnv_{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};

private:
    QProcess display_;
    std::optional<ScopedEnv> displayEnv_;
    QProcess tray_;
};

TEST_F(DesktopSession, ASecondStartExitsAndShowsTheFirstTheDpiButtonPopsUpAndNoLinkHidesTheWindow) {
    VirtualMouse::Options bothLinks;
    bothLinks.cable = true;
    VirtualMouse mouse(bothLinks);
    Program first({"--simulate", "--tray"});
    ASSERT_TRUE(first.waitFor("connection changed: connected")) << first.output();
    EXPECT_EQ(first.output().find("main window shown"), std::string::npos) << "an argument starts it in the tray";

    Program second({"--simulate"});
    EXPECT_EQ(second.exitCode(false), 1) << second.output();
    EXPECT_TRUE(first.waitFor("main window shown")) << first.output();

    mouse.command("dpi");
    ASSERT_TRUE(first.waitFor("popup: \"DPI :1600\"")) << first.output();
    ASSERT_TRUE(first.waitFor("record saved")) << first.output();
    EXPECT_EQ(storedDpiLevel(), 3) << "the mouse's switch is saved";

    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    ASSERT_TRUE(first.waitFor("connection changed: no mouse")) << first.output();
    EXPECT_TRUE(first.waitFor("main window hidden")) << first.output();
    EXPECT_EQ(first.exitCode(true), 0) << first.output();
}

}  // namespace
}  // namespace qx4::test
