// The tray as a user meets it: what its tool tip and icon say about the mouse, the battery
// warnings, the start-at-login and warnings switches of its menu, and a mouse that is there but
// closed to this user.
#include <gtest/gtest.h>

#include <QLabel>

#include <iterator>
#include <sstream>

#include "core/desktop/autostart.h"
#include "gui/common/app_settings.h"
#include "gui/app/command_line.h"
#include "gui/common/msg_wnd.h"
#include "gui/app/tray_status.h"
#include "tests/support/app_harness.h"
#include "tests/support/test_files.h"

namespace qx4::gui::test {
namespace {

// A reading while the mouse is awake on the receiver, or with `charging`/`asleep`.
PowerReading awake(int level) { return {true, false, false, level}; }
PowerReading charging(int level) { return {true, true, false, level}; }
PowerReading asleep(int level) { return {true, false, true, level}; }

TEST(BatteryWarnings, OnceAtTwentyAndAtTenNotWhileChargingOrAsleepAndAgainOnlyAfterACharge) {
    struct Step {
        PowerReading reading;
        std::optional<int> warning;
    };
    const std::vector<Step> steps{
        {{true, false, false, 0}, {}},  // connected, level not reported yet
        {awake(3), {}},                 // 21-30 %
        {awake(2), 20},                 // 11-20 %: a fall from 21 % to 19 %
        {awake(3), {}}, {awake(2), {}}, {awake(3), {}}, {awake(2), {}},  // hovering at the threshold
        {asleep(1), {}},
        {awake(1), 10},                 // wakes below 10 % unwarned
        {awake(2), {}}, {awake(1), {}},
        {charging(1), {}}, {charging(2), {}}, {charging(3), {}},
        {awake(2), {}},                 // unplugged at 30 %: the 20 % warning was not re-armed
        {charging(4), {}},              // above 30 %: both warnings re-armed
        {charging(2), {}},              // a falling level while charging stays quiet
        {awake(1), 10},                 // straight to 10 %: one warning, not two
        {awake(2), {}},
        {{false, false, false, 1}, {}},  // no mouse connected
        {awake(10), {}}, {awake(3), {}}, {awake(2), 20},
    };
    BatteryWarnings warnings;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const PowerReading& r = steps[i].reading;
        EXPECT_EQ(warnings.update(r), steps[i].warning)
            << "step " << i << ": level " << r.level << (r.charging ? " charging" : "") << (r.asleep ? " asleep" : "");
    }
    EXPECT_EQ(BatteryWarnings().update(awake(1)), 10) << "a mouse that first reports 10 %";
}

TEST(TrayMenu, StartAtLoginWritesAnEntryThatStartsHiddenAndRemovesItWarningsCanBeSwitchedOffAndAProfileChosen) {
    qx4::test::TempFolder config;
    qx4::test::ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    qx4::test::ScopedEnv configDirs("XDG_CONFIG_DIRS", (config.path() / "xdg").string());
    const auto entry = config.path() / "autostart" / kAutostartFileName;
    AppHarness app({.startHidden = true});

    QAction* autostart = app.trayAction("autostart");
    ASSERT_TRUE(autostart);
    EXPECT_TRUE(autostart->isCheckable());
    EXPECT_FALSE(autostart->isChecked());
    autostart->trigger();
    app.deliverMessages();
    const std::string written = qx4::test::readText(entry);
    const auto exec = written.find("\nExec=");
    ASSERT_NE(exec, std::string::npos) << written;
    std::istringstream words(written.substr(exec + 6, written.find('\n', exec + 1) - exec - 6));
    std::vector<std::string> arguments{std::istream_iterator<std::string>(words), {}};
    std::vector<const char*> argv;
    for (const auto& argument : arguments) argv.push_back(argument.c_str());
    ASSERT_FALSE(argv.empty());
    EXPECT_TRUE(parseCommandLine(static_cast<int>(argv.size()), argv.data()).startHidden) << written;
    EXPECT_FALSE(parseCommandLine(2, std::array{"qx4-config", "--simulate"}.data()).startHidden) << "started by hand";
    EXPECT_TRUE(app.trayAction("autostart")->isChecked());

    app.trayAction("autostart")->trigger();
    app.deliverMessages();
    EXPECT_FALSE(std::filesystem::exists(entry)) << "nothing is left behind";
    EXPECT_FALSE(app.trayAction("autostart")->isChecked());

    QAction* warnings = app.trayAction("battery_warnings");
    EXPECT_TRUE(warnings->isChecked());
    warnings->trigger();
    app.deliverMessages();
    EXPECT_FALSE(app.trayAction("battery_warnings")->isChecked());
    EXPECT_NE(qx4::test::readText(settingsFilePath().toStdString()).find("battery_warnings=false"), std::string::npos);
    app.notify(Link::receiver, kNotifySleepStatus, sleepStatusValue(false, 1));
    EXPECT_TRUE(app.notices.empty()) << "switched off";

    QAction* third = app.trayAction("profile_3");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->text().toStdString(), "Profile 3");
    third->trigger();
    app.deliverMessages();
    EXPECT_EQ(app.session().record().activeProfile, 2);
    EXPECT_TRUE(app.trayAction("profile_3")->isChecked());
    EXPECT_FALSE(app.trayAction("follow")->isVisible()) << "nothing follows the focus in this window";
}

TEST(ClosedMouse, AMouseThisUserMayNotOpenIsExplainedWithTheCommandNeverAsNoMouse) {
    AccessCheck closed;
    closed.access.state = DeviceAccess::State::notPermitted;
    closed.access.blockedNodes = {"/dev/hidraw3"};
    closed.access.udevRuns = true;
    closed.fix.kind = AccessFix::Kind::installRule;
    closed.fix.command = "sudo install -m 644 /opt/qx4/lib/udev/rules.d/70-qx4-mouse.rules /etc/udev/rules.d/ && sudo udevadm control --reload";
    AppHarness app({.receiverPresent = false, .access = closed});
    auto* title = app.control<QLabel>("no_device_title");
    auto* hint = app.control<QLabel>("no_device_hint");
    auto* command = app.control<QLabel>("no_device_command");
    EXPECT_TRUE(app.window().isVisible()) << "started by the user, the window says what is wrong";
    app.window().hide();
    EXPECT_FALSE(answerModal<CMsgWnd>([](CMsgWnd& box) { box.reject(); },
                                      [&] { app.clickTray(QSystemTrayIcon::Trigger); }))
        << "not the no-mouse warning";
    EXPECT_TRUE(app.window().isVisible()) << "a click on the tray icon shows the explanation";
    EXPECT_EQ(title->text(), text("no_access_title_text"));
    EXPECT_EQ(hint->text(), text("no_access_install_text"));
    EXPECT_TRUE(command->isVisible());
    EXPECT_EQ(command->text().toStdString(), app.access.fix.command);
    EXPECT_EQ(app.window().trayIcon()->toolTip().section(QLatin1Char('\n'), 1), text("tray_no_access_text"));

    // After a replug the link counts as present though its node stays closed: the status line says so,
    // once the apply of the start has told that it found no link.
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    app.plug(Link::receiver);
    app.settleArrival(Link::receiver);
    EXPECT_NE(app.control<QLabel>("apply_status_label")->text().toStdString().find(app.access.fix.command), std::string::npos);

    app.access = {};
    app.plug(Link::receiver, false);
    EXPECT_EQ(title->text(), text("no_device_title_text")) << "fixed: back to no mouse";
    EXPECT_EQ(hint->text(), text("no_device_hint_text"));
    EXPECT_FALSE(command->isVisibleTo(app.control<QWidget>("no_device_page")));
}

}  // namespace
}  // namespace qx4::gui::test
