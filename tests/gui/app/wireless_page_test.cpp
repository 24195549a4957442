// The wireless page: the power area, the profile bar, and what applies send and leave pending.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <future>
#include <mutex>

#include "core/config/config_file.h"
#include "core/macro/macro_store.h"
#include "gui/app/following.h"
#include "gui/app/tray_status.h"
#include "gui/common/app_settings.h"
#include "gui/common/skin.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/rules_wnd.h"
#include "gui/follow/session_profile_target.h"
#include "gui/common/msg_wnd.h"
#include "gui/session/record_saver.h"
#include "tests/support/app_harness.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"
#include "tests/support/patience.h"

namespace qx4::gui::test {
namespace {

// The window and the tray show one level, whichever notification brings it and whichever of the
// two an out-of-range level leaves alone; a low battery marks the icon and is told once at 20 %
// and at 10 %, not while charging or asleep, and again only after a charge. The cable shows
// charging once its link has settled, until it goes.
TEST(PowerArea, StatusWordsAndBatteryReportsShowInTheWindowAndTheTrayAlikeAndTheCableShowsCharging) {
    AppHarness app;  // the receiver only: asleep until the mouse says otherwise
    auto* bar = app.control<QProgressBar>("progress_ms_1_power");
    auto* percent = app.control<QLabel>("label_power");
    auto* sleep = app.control<QLabel>("wireless_sleep_label");
    auto* chargeTimer = app.page().findChild<QTimer*>("charge_animation_timer");
    QSystemTrayIcon* tray = app.tray().trayIcon();
    const auto tip = [&] { return tray->toolTip().section(QLatin1Char('\n'), 1); };
    const auto lowMark = [&] { return tray->icon().pixmap(22).toImage() == statusIcon(true).pixmap(22).toImage(); };
    const QString receiver = text("tray_receiver_text");
    const SessionProfileTarget busState(app.session(), {}, nullptr);
    EXPECT_EQ(tray->toolTip().section(QLatin1Char('\n'), 0, 0), text("mouse_name_text"));
    EXPECT_EQ(tip(), text("tray_asleep_text").arg(receiver));
    EXPECT_FALSE(sleep->isHidden());
    EXPECT_FALSE(chargeTimer->isActive());
    struct Report {
        std::uint16_t code, value;
        int percent;  // what both show afterwards
        std::size_t notices;
    };
    constexpr std::uint16_t kStatus = kNotifySleepStatus, kBattery = kNotifyBattery;
    for (const Report& report : {Report{kStatus, 0x0700, 70, 0}, {kStatus, 0x0701, 70, 0}, {kBattery, 2, 20, 1},
                                 {kStatus, 0x0901, 90, 1}, {kBattery, 1, 10, 2}, {kBattery, 11, 10, 2},
                                 {kStatus, 0x0B01, 10, 2}, {kBattery, 4, 40, 2}, {kStatus, 0x0201, 20, 3},
                                 {kStatus, 0x0A01, 100, 3}}) {
        SCOPED_TRACE(testing::Message() << std::hex << report.code << " " << report.value);
        app.notify(Link::receiver, report.code, report.value);
        const bool asleep = report.value == 0x0700;
        EXPECT_EQ(sleep->isHidden(), !asleep);
        EXPECT_EQ(bar->value(), report.percent);
        EXPECT_EQ(percent->text().toStdString(), std::to_string(report.percent) + "%");
        EXPECT_EQ(tip(), asleep ? text("tray_asleep_text").arg(receiver)
                                : text("tray_battery_text").arg(receiver).arg(report.percent));
        EXPECT_EQ(lowMark(), !asleep && report.percent <= 20);
        EXPECT_EQ(app.notices.size(), report.notices);
        EXPECT_EQ(busState.deviceState().batteryPercent, report.percent) << "and on the session bus";
    }
    EXPECT_EQ(app.notices[0].title, text("battery_low_title_text"));
    EXPECT_EQ(app.notices[0].body, text("battery_low_text").arg(20));
    EXPECT_FALSE(app.notices[0].urgent);
    EXPECT_EQ(app.notices[1].body, text("battery_low_text").arg(10));
    EXPECT_TRUE(app.notices[1].urgent) << "at 10 % it stays until closed";

    app.plug(Link::cable);
    EXPECT_FALSE(chargeTimer->isActive()) << "charging shows once the link has settled";
    app.settleArrival(Link::cable);
    EXPECT_EQ(percent->text(), text("charging_text"));
    EXPECT_TRUE(sleep->isHidden());
    EXPECT_EQ(tip(), text("tray_charging_text").arg(text("tray_cable_text")).arg(100));
    EXPECT_EQ(chargeTimer->interval(), 30);
    std::vector<int> sweep;  // a new charge sweeps from the start, two at a time, and wraps
    for (int frame = 0; frame < 52; ++frame) {
        ASSERT_TRUE(fire(chargeTimer));
        sweep.push_back(bar->value());
    }
    EXPECT_EQ(std::vector<int>(sweep.begin(), sweep.begin() + 2), (std::vector<int>{0, 2}));
    EXPECT_EQ(std::vector<int>(sweep.begin() + 50, sweep.end()), (std::vector<int>{100, 0}));
    app.notify(Link::receiver, kNotifyBattery, 1);
    EXPECT_EQ(app.notices.size(), 3u) << "no warning while charging";
    app.notify(Link::receiver, kNotifySleepStatus, 0x0501);
    EXPECT_TRUE(chargeTimer->isActive()) << "the sweep goes on until the cable goes";
    EXPECT_FALSE(lowMark());

    app.plug(Link::cable, false);
    EXPECT_FALSE(chargeTimer->isActive());
    EXPECT_FALSE(sleep->isHidden());
    EXPECT_EQ(percent->text(), "");
    app.notify(Link::receiver, kNotifySleepStatus, 0x0201);
    EXPECT_EQ(app.notices.size(), 4u) << "charged above 30 % and down to 20 % again";
    app.notify(Link::receiver, kNotifySleepStatus, 0x0100);
    EXPECT_EQ(tip(), text("tray_asleep_text").arg(receiver));
    EXPECT_EQ(app.notices.size(), 4u) << "no warning while asleep";
    app.plug(Link::receiver, false);
    EXPECT_EQ(tip(), text("tray_no_mouse_text"));
    EXPECT_FALSE(lowMark());
}

TEST(ProfileBar, AClickSendsTheProfileIncrementallyAndTheMouseSwitchingOneOnlySelectsAndSavesIt) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    EXPECT_EQ(app.control<QLabel>("label_power")->text(), text("charging_text")) << "the cable at start means charging";
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    const std::size_t firstApply = app.reports(Link::cable).size();
    EXPECT_GT(firstApply, 20u) << "the first apply after start sends everything";

    app.click("wireless_profile_3_btn");
    EXPECT_EQ(app.session().record().activeProfile, 2);
    EXPECT_EQ(app.buttonPage().profileShown, 2);
    EXPECT_EQ(app.applyRequests, (std::vector<std::uintptr_t>{0, 0}));
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    const auto reports = app.reports(Link::cable);
    ASSERT_EQ(reports.size(), firstApply + 2) << "profile select and DPI, nothing else";
    EXPECT_EQ(reports[firstApply][0], 0x0C);
    EXPECT_EQ(reports[firstApply][2], 3) << "profile select names profile 3";

    app.notify(Link::cable, kNotifyProfile, 5);
    app.notify(Link::cable, kNotifyProfile, 4);
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_profile_4_btn")->isChecked());
    EXPECT_EQ(app.buttonPage().profileShown, 3);
    EXPECT_EQ(app.applyRequests.size(), 2u) << "the mouse already uses the profile";
    auto saved = qx4::test::savedRecord();
    EXPECT_EQ(saved->activeProfile, 2) << "a burst of switches is saved once, a moment later";
    ASSERT_TRUE(saveRecordNow(app.session()));
    readConfig(*saved, 0);
    EXPECT_EQ(saved->activeProfile, 3);

    // Chosen from outside the window (a rule for the focused application) as a click chooses it.
    EXPECT_FALSE(app.session().selectProfile(kProfileCount));
    ASSERT_TRUE(app.session().selectProfile(0));
    app.deliverMessages();
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_profile_1_btn")->isChecked());
    EXPECT_EQ(app.buttonPage().profileShown, 0);
    EXPECT_EQ(app.applyRequests.size(), 3u);
}

// A page is built when its tab is first shown, and then shows the record as it is by then.
TEST(ProfileBar, APageFirstShownAfterTheMouseSwitchedProfileAndLevelShowsBoth) {
    AppHarness app({.receiverPresent = false, .cablePresent = true, .everyPageBuilt = false});
    EXPECT_EQ(app.control<QWidget>("wireless_dpi_tab"), nullptr) << "not shown yet";
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_button_btn")->isChecked()) << "the first tab is shown";
    app.notify(Link::cable, kNotifyProfile, 4);
    app.notify(Link::cable, kNotifyDpiLevel, 6);
    ASSERT_EQ(app.session().record().activeProfile, 3);
    ASSERT_EQ(app.session().record().active().dpiLevel, 5);
    const DeviceState told = SessionProfileTarget(app.session(), {}, nullptr).deviceState();
    EXPECT_EQ(std::pair(told.activeProfile, told.dpiLevel), std::pair(4, 6)) << "as the bus tells them";

    app.click("wireless_dpi_setting_btn");
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_dpi_btn_6")->isChecked());
}

std::vector<std::string> markedTabs(AppHarness& app) {
    std::vector<std::string> marked;
    for (const char* tab :
         {"wireless_light_btn", "wireless_button_btn", "wireless_dpi_setting_btn", "wireless_macro_btn"}) {
        const auto* mark = app.control<QAbstractButton>(tab)->findChild<QWidget*>("pending_mark");
        if (!mark->isHidden()) marked.emplace_back(tab);
    }
    return marked;
}

QString lost(std::initializer_list<QString> sections) {
    return text("apply_failed_text").arg(QStringList(sections).join(", "));
}

QString inProfile1(const char* section) { return text("section_profile_text").arg(text(section)).arg(1); }

// What the mouse switches itself is on it; what the user edits is not until an apply sends it, and
// a section whose report fails stays pending, named, until one does.
TEST(Apply, EditsShowOnApplyAndTheirTabsUntilTheirReportsArrive) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    auto* apply = app.control<QAbstractButton>("wireless_apply_btn");
    auto* status = app.control<QLabel>("apply_status_label");
    const auto pending = [&](int count) {
        return apply->text() == (count > 0 ? text("apply_count_text").arg(count) : text("apply_text")) &&
               (apply->property("qx4role").toString() == "primary") == (count > 0);
    };
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    EXPECT_EQ(status->text(), text("apply_sent_text"));
    app.notify(Link::cable, kNotifyDpiLevel, 5);
    EXPECT_TRUE(pending(0)) << apply->text().toStdString();
    EXPECT_EQ(markedTabs(app), std::vector<std::string>{});

    app.click("wireless_light_btn");
    app.control<QComboBox>("wireless_light_mode_combo")->setCurrentIndex(1);
    EXPECT_TRUE(pending(1)) << apply->text().toStdString();
    EXPECT_EQ(markedTabs(app), std::vector<std::string>{"wireless_light_btn"});
    app.click("wireless_dpi_setting_btn");
    app.click("wireless_dpi_btn_2");
    app.control<QComboBox>("wireless_polling_rate_combo")->setCurrentIndex(0);
    EXPECT_TRUE(pending(3)) << apply->text().toStdString();
    EXPECT_EQ(markedTabs(app), (std::vector<std::string>{"wireless_light_btn", "wireless_dpi_setting_btn"}));
    EXPECT_EQ(status->text(), "") << "what the last apply did is old news";

    app.failWrites(Link::cable, true);
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(status->text(), lost({text("section_profile_select_text"), inProfile1("section_dpi_text"),
                                    inProfile1("section_rate_text"), inProfile1("section_light_text")}));
    EXPECT_EQ(status->property("qx4role").toString(), "danger");
    EXPECT_TRUE(pending(3)) << apply->text().toStdString();

    app.failWrites(Link::cable, false);
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(3));
    EXPECT_EQ(status->text(), text("apply_sent_text"));
    EXPECT_TRUE(pending(0)) << apply->text().toStdString();
    EXPECT_EQ(markedTabs(app), std::vector<std::string>{});
}

// Fed by the worker after each report, the line counts up to the end; a long apply says how long
// it takes over the link in use (400 ms a report over the receiver), and the end names what the
// mouse did not take.
TEST(Apply, TheLineBesideApplyTellsHowFarAnApplyIsAndHowItEnded) {
    WriteGate gate;
    AppHarness app({.pauseAfterWrite = gate.pause()});  // the receiver: asleep, nothing sent yet
    auto* status = app.control<QLabel>("apply_status_label");
    const auto shows = [&](const QString& line) {
        return QTest::qWaitFor([&] { return status->text() == line; }, qx4::test::kPatienceMs);
    };
    ASSERT_TRUE(app.waitForAppliesEnded(1));  // the start's download, skipped: it runs once woken
    EXPECT_EQ(status->text(), text("apply_asleep_text"));
    app.notify(Link::receiver, kNotifySleepStatus, 0x0A01);
    const QString overReceiver = text("apply_progress_receiver_text");
    EXPECT_TRUE(shows(overReceiver.arg(0).arg(22).arg(9))) << status->text().toStdString();
    EXPECT_TRUE(app.control<QWidget>("apply_ring")->isVisible());
    gate.open(8);
    gate.waitUntilHeld();  // report 9 written, report 10 not yet
    EXPECT_TRUE(shows(overReceiver.arg(8).arg(22).arg(6))) << status->text().toStdString();
    EXPECT_EQ(status->property("qx4role").toString(), "caption") << "under way is no problem";

    app.refuseReports(Link::receiver, 0x05);  // lighting; profiles 1-3 have theirs already
    gate.open(12);  // a failed write has no pause
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(status->text(), lost({text("section_profiles_text").arg(text("section_light_text")).arg("4, 5")}));
    EXPECT_EQ(status->property("qx4role").toString(), "danger");
    EXPECT_FALSE(app.control<QWidget>("apply_ring")->isVisible());

    app.refuseReports(Link::receiver, -1);
    app.click("wireless_apply_btn");  // short: the count alone
    EXPECT_TRUE(shows(text("apply_progress_text").arg(0).arg(4))) << status->text().toStdString();
    gate.open(4);
    EXPECT_TRUE(shows(text("apply_sent_text"))) << status->text().toStdString();
}

// At 20 % the window's battery bar turns red as the tray icon takes its mark; above, it is green.
TEST(PowerArea, TheBatteryBarIsRedAtTwentyPercentAndBelow) {
    AppHarness app;
    ASSERT_TRUE(applySkin(*qApp));
    auto* bar = app.control<QProgressBar>("progress_ms_1_power");
    const auto fill = [&] {
        QCoreApplication::processEvents();
        const QImage shown = bar->grab().toImage();
        return shown.pixelColor(bar->width() * bar->value() / 200, bar->height() / 2).name().toStdString();
    };
    for (const auto& [level, colour] : {std::pair{3, "#3dd68c"}, {2, "#e5484d"}, {1, "#e5484d"}, {5, "#3dd68c"}}) {
        app.notify(Link::receiver, kNotifyBattery, static_cast<std::uint16_t>(level));
        EXPECT_EQ(fill(), colour) << level * 10 << " %";
    }
    qApp->setStyleSheet(QString());
}

// Apply turning to the accent with a count leaves the page where it was.
TEST(Apply, ThePageStaysWhereItIsWhenApplyTurnsToTheAccent) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(applySkin(*qApp));
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    auto* pages = app.control<QWidget>("wireless_tab_switch");
    ASSERT_TRUE(pages);
    app.click("wireless_dpi_setting_btn");
    QCoreApplication::processEvents();
    const QRect before = pages->geometry();
    app.click("wireless_dpi_btn_5");
    QCoreApplication::processEvents();
    EXPECT_EQ(app.control<QWidget>("wireless_apply_btn")->property("qx4role").toString(), "primary");
    EXPECT_EQ(pages->geometry(), before);
    qApp->setStyleSheet(QString());
}

// A rule's select says why the profile changed, and its apply's progress and end do not cover
// that, nor it the end of the user's next apply; an application brought to the front while the
// rules window is open joins its list.
TEST(Apply, TheLineSaysWhichApplicationsRuleChoseTheProfileWhileAndAfterItIsSent) {
    WriteGate gate;
    AppHarness app({.prepareData = [](const std::filesystem::path& root) {
                        std::ofstream(root / "rules.conf") << "app xcalc = 3\n";
                    },
                    .pauseAfterWrite = gate.pause()});
    auto* status = app.control<QLabel>("apply_status_label");
    ASSERT_TRUE(app.waitForAppliesEnded(1));  // asleep: the start's download waits for the wake
    gate.open(22);
    app.notify(Link::receiver, kNotifySleepStatus, 0x0A01);
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    SessionProfileTarget target(app.session(), {}, nullptr);
    FocusFollower follower(target, nullptr);
    tellFollowingIn(app.page(), app.session(), follower);
    RulesWnd rules(&app.window(), follower);
    auto* recent = rules.findChild<QComboBox*>("rules_app_combo");

    follower.reportFocus({"xcalc"}, FocusFollower::Source::desktop);
    EXPECT_GE(recent->findText("xcalc"), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.control<QWidget>("apply_ring")->isVisible(); }, qx4::test::kPatienceMs));
    gate.waitUntilHeld();
    AppHarness::deliverMessages();
    const QString words = text("follow_profile_for_text").arg(3).arg("xcalc");
    EXPECT_EQ(status->text().toStdString(), words.toStdString());
    gate.open(22);
    ASSERT_TRUE(app.waitForAppliesEnded(3));
    EXPECT_EQ(status->text().toStdString(), words.toStdString());

    gate.open(1000);
    app.click("wireless_light_btn");
    app.control<QComboBox>("wireless_light_mode_combo")->setCurrentIndex(1);
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(4));
    EXPECT_EQ(status->text(), text("apply_sent_text")) << "the user's own apply is not the rule's";
}

// A rules file that cannot be read is told at the start as a problem, and the start's download
// ending does not cover it.
TEST(Following, ARulesFileThatCannotBeReadStaysToldAsAProblemAfterTheStartsDownload) {
    WriteGate gate;
    AppHarness app({.receiverPresent = false, .cablePresent = true,
                    .prepareData = [](const std::filesystem::path& root) { std::filesystem::create_directory(root / "rules.conf"); },
                    .pauseAfterWrite = gate.pause()});
    const Following following = startFollowing(app.session(), app.page(), app.tray());
    gate.open(1000);
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    auto* status = app.control<QLabel>("apply_status_label");
    EXPECT_TRUE(status->text().contains("rules.conf could not be read")) << status->text().toStdString();
    EXPECT_EQ(status->property("qx4role").toString(), "danger");
}

// On a Wayland session whose desktop does not report the focus, the rules window and the status
// line say which windows are followed before the first rule is made, wlroots desktops included;
// with following off, the desktop's reports, or no Wayland, the line says nothing of it.
TEST(Following, OnWaylandTheNoteSaysWhatIsFollowedBeforeAnyRule) {
    AppHarness app;
    const qx4::test::ScopedEnv session("XDG_SESSION_TYPE", std::string("wayland"));
    SessionProfileTarget target(app.session(), {}, nullptr);
    FocusFollower follower(target, nullptr);
    ASSERT_TRUE(follower.rules().rules.empty());
    RulesWnd rules(&app.window(), follower);
    const QString note = rules.findChild<QLabel*>(QStringLiteral("rules_note_label"))->text();
    EXPECT_EQ(note, text("follow_wayland_note_text"));
    EXPECT_TRUE(note.contains(QLatin1String("wlroots")));
    EXPECT_EQ(follower.statusText(), note) << "and on the status line";

    FocusRules off = follower.rules();
    off.follow = false;
    ASSERT_EQ(follower.changeRules(off), QString());
    EXPECT_EQ(follower.statusText(), QString()) << "nothing is followed";
    off.follow = true;
    ASSERT_EQ(follower.changeRules(off), QString());
    follower.reportFocus({"xcalc"}, FocusFollower::Source::desktop);
    EXPECT_EQ(follower.statusText(), QString()) << "the desktop tells the window in front";
    const qx4::test::ScopedEnv x11("XDG_SESSION_TYPE", std::string("x11")), noCompositor("WAYLAND_DISPLAY", std::nullopt);
    EXPECT_EQ(FocusFollower(target, nullptr).statusText(), QString()) << "no Wayland session";
}

// A page with unsaved work keeps its tab: the user is told, and the tab chosen is not shown.
TEST(Tabs, APageWithUnsavedWorkKeepsItsTab) {
    AppHarness app;
    app.click("wireless_macro_btn");
    app.click("wireless_macro_add_btn");  // a new macro is unsaved until Save
    ASSERT_TRUE(test::answerModal<CMsgWnd>(
        [](CMsgWnd& box) { box.findChild<QAbstractButton*>(QStringLiteral("cancel_btn"))->click(); },
        [&] { app.click("wireless_dpi_setting_btn"); }));
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_macro_btn")->isChecked());
    EXPECT_FALSE(app.control<QAbstractButton>("wireless_dpi_setting_btn")->isChecked());
    EXPECT_EQ(app.control<QStackedWidget>("wireless_tab_switch")->currentWidget(),
              app.control<QWidget>("wireless_macro_tab"));
}

// The line is cleared when an apply starts; a macro library that is not to be written is said
// again, as it stays so for the whole run.
TEST(Apply, AMacroLibraryThatCannotBeReadIsSaidWheneverNothingElseIs) {
    AppHarness app({.receiverPresent = false, .cablePresent = true, .prepareData = [](const std::filesystem::path& root) {
                        qx4::test::makeUnreadable(root / "Data" / "ms_1" / "macro.data");
                    }});
    auto* status = app.control<QLabel>("apply_status_label");
    const QString problem = text("macro_store_unreadable_text").arg(QString::fromStdString(macroFilePath().string()));
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    EXPECT_EQ(status->text(), problem);
    EXPECT_EQ(status->property("qx4role").toString(), "danger");
    EXPECT_TRUE(app.session().macros().empty());

    app.failWrites(Link::cable, true);
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(status->text(), lost({text("section_profile_select_text"), inProfile1("section_rate_text")}));
    app.failWrites(Link::cable, false);
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(3));
    EXPECT_EQ(status->text(), problem);
}

// A profile exported from the side panel goes to the user's documents and comes back whole into
// the profile shown, from where the last file went, and is sent in full, as the defaults are after
// a reset; the status line names the file each time. A file of the wrong size is refused with a
// warning.
TEST(ProfileFiles, AnExportedProfileImportedIntoAnotherReplacesItAndIsSentInFull) {
    const QTemporaryDir home;
    const qx4::test::ScopedEnv homeEnv("HOME", home.path().toStdString());
    const qx4::test::ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);  // documents are then ~/Documents
    const QDir documents(home.filePath(QStringLiteral("Documents")));
    const QDir shared(home.filePath(QStringLiteral("usb stick")));
    ASSERT_TRUE(documents.mkpath(QStringLiteral(".")) && shared.mkpath(QStringLiteral(".")));
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    QString shownFolder;
    QStringList shownFilters;
    const auto chooseFile = [&](const char* button, const char* name, bool accepted = true) {
        const AnswerWhenShown<QFileDialog> choose([&](QFileDialog& dialog) {
            shownFolder = dialog.directory().absolutePath();
            shownFilters = dialog.nameFilters();
            dialog.selectFile(shared.filePath(QString::fromLatin1(name)));
            static_cast<QDialog&>(dialog).done(accepted ? QDialog::Accepted : QDialog::Rejected);
        });
        app.click(button);
        return choose.answered();
    };
    app.click("wireless_profile_2_btn");
    app.click("wireless_dpi_setting_btn");
    app.click("wireless_dpi_btn_5");
    // The status line tells the last thing done: the profile's apply ends before the export.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.session().applying(); }, qx4::test::kPatienceMs));
    ASSERT_TRUE(chooseFile("wireless_export_profile_btn", "fps"));
    ASSERT_TRUE(shared.exists(QStringLiteral("fps.pro")));
    auto* status = app.control<QLabel>("apply_status_label");
    EXPECT_EQ(status->text().toStdString(), text("profile_exported_text").arg(2).arg("fps.pro").toStdString());
    EXPECT_EQ(QDir(shownFolder), documents) << "the files are the user's, not the program's";
    EXPECT_EQ(shownFilters, QStringList{QStringLiteral("Profile file (*.pro *.PRO)")});
    ASSERT_TRUE(chooseFile("wireless_export_profile_btn", "cancelled", false));
    EXPECT_FALSE(shared.exists(QStringLiteral("cancelled.pro"))) << "a cancelled dialog writes nothing";

    app.click("wireless_profile_4_btn");
    ASSERT_FALSE(app.control<QAbstractButton>("wireless_dpi_btn_5")->isChecked());
    DeviceConfig expected = app.session().record();
    expected.profiles[3] = expected.profiles[1];
    ASSERT_TRUE(chooseFile("wireless_import_profile_btn", "fps.pro"));
    EXPECT_EQ(QDir(shownFolder), shared) << "where the last file went";
    EXPECT_EQ(changedBytes(expected, app.session().record()), "");
    EXPECT_TRUE(app.control<QAbstractButton>("wireless_dpi_btn_5")->isChecked());
    EXPECT_EQ(app.applyRequests.back(), 1u);
    const QString imported = text("profile_imported_text").arg(4).arg("fps.pro");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == text("done_sent_text").arg(imported); }, qx4::test::kPatienceMs))
        << status->text().toStdString();
    EXPECT_TRUE(QFile::exists(settingsFilePath()));
    EXPECT_FALSE(QFile::permissions(settingsFilePath()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        << "private like the data files";

    qx4::test::writeBytes(shared.filePath(QStringLiteral("notes.pro")).toStdString(),
                          std::vector<std::uint8_t>(1000, 0x11));
    const std::size_t requests = app.applyRequests.size();
    QString warning;
    const AnswerWhenShown<CMsgWnd> warned([&](CMsgWnd& box) {
        warning = box.findChild<QLabel*>("warning")->text();
        box.done(CMsgWnd::kConfirmed);
    });
    ASSERT_TRUE(chooseFile("wireless_import_profile_btn", "notes.pro"));
    EXPECT_EQ(warning, text("profile_wrong_size_text"));
    EXPECT_EQ(changedBytes(expected, app.session().record()), "");
    EXPECT_EQ(app.applyRequests.size(), requests) << "nothing new to send";
    EXPECT_TRUE(app.session().macros().empty());

    const AnswerWhenShown<CMsgWnd> confirm([](CMsgWnd& box) { box.done(CMsgWnd::kConfirmed); });
    app.click("wireless_reset_profile_btn");
    ASSERT_TRUE(confirm.answered());
    EXPECT_FALSE(app.control<QAbstractButton>("wireless_dpi_btn_5")->isChecked()) << "the import is gone";
    EXPECT_GT(app.applyRequests.size(), requests);
    EXPECT_EQ(app.applyRequests.back(), 1u) << "the defaults go whole";
}

// The first save after start would cut a file longer than a record to its first record, so the
// whole file is kept aside first; when it cannot be, the file is left as it is. A record with an
// index out of range is repaired as it loads, and the file takes the repair at the first save.
TEST(Load, AnOverlongFileIsReplacedOnlyOnceACopyOfItIsKeptARepairedOneAtOnce) {
    auto defaults = qx4::test::newRecord();
    defaults->activeProfile = 2;
    const auto record = reinterpret_cast<const std::uint8_t*>(defaults.get());
    std::vector<std::uint8_t> overlong(record, record + sizeof(DeviceConfig));
    overlong.resize(overlong.size() + 100, 0x5A);
    defaults->activeProfile = kProfileCount;
    const std::vector<std::uint8_t> outOfRange(record, record + sizeof(DeviceConfig));
    enum class File { tooLong, tooLongCopyNotKept, indexOutOfRange };
    for (const File file : {File::tooLong, File::tooLongCopyNotKept, File::indexOutOfRange}) {
        SCOPED_TRACE(static_cast<int>(file));
        AppHarness app({.receiverPresent = false, .cablePresent = true,
                        .prepareData = [&](const std::filesystem::path& root) {
                            const auto path = root / "Data" / "ms_1" / "Config_1.data";
                            qx4::test::writeBytes(path, file == File::indexOutOfRange ? outOfRange : overlong);
                            if (file == File::tooLongCopyNotKept) std::filesystem::create_directories(path.string() + ".damaged");
                        }});
        ASSERT_TRUE(app.waitForAppliesEnded(1));
        const auto saved = qx4::test::savedRecord();
        if (file == File::indexOutOfRange) {
            EXPECT_EQ(app.control<QLabel>("apply_status_label")->text(), text("apply_sent_text"));
            EXPECT_EQ(app.session().record().activeProfile, 0);
            EXPECT_NE(qx4::test::readBytes(configFilePath()), outOfRange) << "the repair is saved with the start's apply";
            continue;
        }
        EXPECT_EQ(saved->activeProfile, 2);
        const std::filesystem::path copy = configFilePath().string() + ".damaged";
        const QString said = file == File::tooLong
                                 ? text("config_damaged_text").arg(QString::fromStdString(copy.string()))
                                 : text("config_damaged_not_kept_text").arg(QString::fromStdString(configFilePath().string()));
        EXPECT_EQ(app.control<QLabel>("apply_status_label")->text(), said) << "still said once the start's download ended";
        app.click("wireless_dpi_setting_btn");
        app.click("wireless_dpi_btn_5");
        EXPECT_EQ(app.control<QLabel>("apply_status_label")->text(), said) << "an edit is no answer to a problem";
        app.click("wireless_profile_4_btn");
        ASSERT_TRUE(app.waitForAppliesEnded(2));
        if (file == File::tooLong) {
            EXPECT_EQ(qx4::test::readBytes(copy), overlong);
            EXPECT_EQ(qx4::test::readBytes(configFilePath()).size(), sizeof(DeviceConfig));
        } else {
            EXPECT_EQ(qx4::test::readBytes(configFilePath()), overlong);
        }
    }
}

// Over the receiver the mouse counts as asleep until it says otherwise, so the start-up download
// is dropped: it runs once the mouse wakes, and the user's first apply sends only the change.
TEST(Apply, TheStartUpDownloadASleepingMouseMissedRunsWhenItWakes) {
    AppHarness app;
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    EXPECT_TRUE(app.reports(Link::receiver).empty()) << "asleep";
    app.notify(Link::receiver, kNotifySleepStatus, 0x0801);
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    const std::size_t download = app.reports(Link::receiver).size();
    EXPECT_GT(download, 20u);
    app.click("wireless_dpi_setting_btn");
    app.click("wireless_dpi_btn_5");
    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(3));
    EXPECT_LE(app.reports(Link::receiver).size() - download, 3u) << "the change, not every report";
}

// Edits kept for later are in the data file but not on the mouse: the start sends what the mouse
// last took, shows the kept edit as not sent, and Apply sends it and makes it what the mouse took.
TEST(Load, EditsKeptForLaterAreNotSentAtTheStartButShownAsPending) {
    auto acknowledged = qx4::test::newRecord();
    AppHarness app({.receiverPresent = false, .cablePresent = true, .prepareData = [&](const auto& root) {
        std::filesystem::create_directories(root / "Data" / "ms_1");
        auto kept = qx4::test::copyOf(*acknowledged);
        kept->profiles[2].dpiLevelEnabled[6] = 0;
        ASSERT_TRUE(saveConfig(*kept));
        ASSERT_TRUE(saveMouseCopy(*acknowledged));
    }});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    const auto expected = qx4::test::readHexLines("full_download_defaults.hex");
    EXPECT_EQ(app.reports(Link::cable), expected) << "what the mouse took, not the kept edit";
    EXPECT_EQ(app.session().editsNotSent(), 1);
    EXPECT_EQ(app.session().record().profiles[2].dpiLevelEnabled[6], 0);
    const auto* apply = app.control<QAbstractButton>("wireless_apply_btn");
    EXPECT_EQ(apply->text(), text("apply_count_text").arg(1));
    EXPECT_EQ(apply->property("qx4role").toString(), "primary") << "orange";

    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(app.session().editsNotSent(), 0);
    EXPECT_GT(app.reports(Link::cable).size(), expected.size());
    const auto held = readMouseCopy(0);
    ASSERT_TRUE(held);
    EXPECT_EQ(held->profiles[2].dpiLevelEnabled[6], 0) << "the mouse took it";
}

// A slow disk's flush holds neither the window (the popup a switch shows must paint) nor a newer
// record: the save runs beside the UI thread, one at a time, and the last record is written last.
TEST(RecordSaverTest, ASlowDiskHoldsNeitherTheWindowNorANewerRecord) {
    auto record = qx4::test::newRecord(false);
    std::promise<void> disk;
    const std::shared_future<void> diskDone = disk.get_future().share();
    std::mutex mutex;
    std::vector<int> written;
    RecordSaver saver(*record, {}, nullptr, [&](const DeviceConfig& copy) {
        const bool flushed = diskDone.wait_for(std::chrono::milliseconds(qx4::test::kPatienceMs)) ==
                             std::future_status::ready;
        const std::lock_guard lock(mutex);
        written.push_back(flushed ? copy.activeProfile : -1);
        return DataFilesSave{};
    });
    QSignalSpy ended(&saver, &RecordSaver::backgroundSaveEnded);
    auto* timer = saver.findChild<QTimer*>(QStringLiteral("record_save_timer"));

    record->activeProfile = 1;
    saver.requestSave();
    ASSERT_TRUE(fire(timer));
    record->activeProfile = 2;  // the UI thread goes on while the disk is busy
    saver.requestSave();
    ASSERT_TRUE(fire(timer));
    EXPECT_TRUE(timer->isActive()) << "the newer record waits for the save under way";
    disk.set_value();
    ASSERT_TRUE(ended.wait(qx4::test::kPatienceMs));
    ASSERT_TRUE(fire(timer));
    ASSERT_TRUE(ended.size() == 2 || ended.wait(qx4::test::kPatienceMs));
    EXPECT_EQ(written, (std::vector<int>{1, 2}));
    EXPECT_FALSE(saver.pending());
    EXPECT_TRUE(saver.saveNow()) << "nothing left to write";

    saver.leaveFileAlone();  // as for a file that could not be read whole
    record->activeProfile = 3;
    saver.requestSave();
    ASSERT_TRUE(fire(timer));
    EXPECT_FALSE(saver.pending()) << "no save under way";
    EXPECT_FALSE(saver.saveNow());
    EXPECT_EQ(written.size(), 2u);
}

}  // namespace
}  // namespace qx4::gui::test
