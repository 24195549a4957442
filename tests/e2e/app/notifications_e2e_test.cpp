// qx4-config --simulate on a session bus of its own with a stand-in notification service: the
// virtual mouse's battery runs from 100 % down to 10 %, hovers at 20 %, and charges back up while
// a drop is faked on the way. Exactly two notifications reach the service.
#include <gtest/gtest.h>

#include "tests/e2e/app/program.h"
#include "tests/e2e/app/session_services.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

TEST(BatteryNotifications, FromFullToEmptyAndBackWhileChargingTheServiceShowsTwo) {
    SessionServices notifications;
    if (!notifications.ready()) GTEST_SKIP() << "no dbus-daemon to run a session bus";
    TempFolder data;
    ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
    ScopedEnv platformEnv("QT_QPA_PLATFORM", std::string("offscreen"));
    ScopedEnv logEnv("QT_LOGGING_RULES", std::string("qx4.app.debug=true"));
    VirtualMouse::Options options;
    options.battery = 10;
    VirtualMouse mouse(options);
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("tray: Receiver: battery 100%")) << program.output();

    const auto battery = [&](int level, const char* shown) {
        mouse.command("battery " + std::to_string(level));
        return program.waitFor(shown);
    };
    for (int level = 9; level >= 2; --level) {
        ASSERT_TRUE(battery(level, ("tray: Receiver: battery " + std::to_string(level * 10) + "%").c_str()))
            << program.output();
    }
    for (int hover = 0; hover < 3; ++hover) {
        ASSERT_TRUE(battery(3, "battery 30%") && battery(2, "battery 20%")) << program.output();
    }
    ASSERT_TRUE(battery(1, "tray: Receiver: battery 10%")) << program.output();

    mouse.command("cable plug");
    ASSERT_TRUE(program.waitFor("tray: Cable: charging, battery 10%")) << program.output();
    for (const int level : {2, 3, 2, 1, 4, 6, 8, 10}) {
        ASSERT_TRUE(battery(level, ("tray: Cable: charging, battery " + std::to_string(level * 10) + "%").c_str()))
            << program.output();
    }

    const QList<QByteArray> shown = notifications.shown(2);
    ASSERT_EQ(shown.size(), 2) << program.output();
    EXPECT_TRUE(shown[0].startsWith("notify 1 1 -1 Mouse battery low: ")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("20%")) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith("notify 1 2 -1 ")) << "replaces the first, urgent: " << shown[1].toStdString();
    EXPECT_TRUE(shown[1].contains("10%")) << shown[1].toStdString();
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    EXPECT_EQ(notifications.shown(3, 500).size(), 2) << "nothing more arrived late";
}

}  // namespace
}  // namespace qx4::test
