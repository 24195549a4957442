// The main window: whether it shows, how it follows the connection, the popup, the routing of
// captured input, and libraries that are missing; the tray as a user meets it: what its tool tip
// and icon say about the mouse, the battery warnings, the start-at-login and warnings switches of
// its menu, and a mouse that is there but closed to this user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "core/desktop/autostart.h"
#include "core/abi/window_messages.h"
#include "gui/app/command_line.h"
#include "gui/app/dpi_msg.h"
#include "gui/app/tray_absence.h"
#include "gui/app/tray_menu.h"
#include "gui/app/tray_status.h"
#include "gui/common/app_settings.h"
#include "gui/common/msg_wnd.h"
#include "tests/support/app_harness.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"

namespace qx4::gui::test {
namespace {

QString shownDevicePage(AppHarness& app) {
    return app.control<QStackedWidget>("device_tab_switch")->currentWidget()->objectName();
}

TEST(StartVisibility, ShownWithAMouseAndAnEmptyCommandLineOrWhenThereIsNoTrayToHideInto) {
    struct Case {
        bool receiver, cable, startHidden, tray, shown;
        const char* devicePage;
    };
    for (const Case& c : {Case{true, false, false, true, true, "device_page_1"},
                          Case{false, true, false, true, true, "device_page_1"},
                          Case{true, true, true, true, false, "device_page_1"},
                          Case{false, false, false, true, false, "no_device_page"},
                          Case{false, false, false, false, true, "no_device_page"},
                          Case{true, false, true, false, true, "device_page_1"}}) {
        SCOPED_TRACE(testing::Message() << "receiver " << c.receiver << ", cable " << c.cable
                                        << ", argument " << c.startHidden << ", tray " << c.tray);
        AppHarness app({.receiverPresent = c.receiver, .cablePresent = c.cable,
                        .trayAvailable = c.tray, .startHidden = c.startHidden});
        EXPECT_EQ(app.window().isVisible(), c.shown);
        EXPECT_EQ(app.timesShown > 0, c.shown) << "not even for a moment";
        EXPECT_EQ(shownDevicePage(app), c.devicePage);
        EXPECT_TRUE(app.notices.empty()) << "a start without a mouse disconnected nothing";
    }
}

TEST(Connection, LosingBothLinksHidesTheWindowTellsItOnceAndAReconnectLeavesItHidden) {
    AppHarness app({.receiverPresent = true, .cablePresent = true});
    const auto toldDisconnected = [&] {
        return std::count_if(app.notices.begin(), app.notices.end(), [](const DesktopNotice& notice) {
            return notice.title == text("disconnected_title_text") && notice.body == text("disconnected_text");
        });
    };
    app.plug(Link::cable, false);
    EXPECT_TRUE(app.window().isVisible()) << "the receiver still reaches the mouse";
    EXPECT_EQ(toldDisconnected(), 0) << "one of two links remains";
    app.plug(Link::receiver, false);
    EXPECT_FALSE(app.window().isVisible());
    app.plug(Link::receiver, false);
    app.plug(Link::cable, false);
    EXPECT_EQ(toldDisconnected(), 1);
    EXPECT_EQ(app.notices.size(), 1u);

    app.plug(Link::receiver);
    app.settleArrival(Link::receiver);
    EXPECT_FALSE(app.session().findChild<QTimer*>("receiver_arrival_timer")->isActive()) << "an arrival settles once";
    EXPECT_TRUE(app.window().connected());
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_EQ(shownDevicePage(app), "device_page_1");
    app.plug(Link::cable);
    app.settleArrival(Link::cable);
    app.plug(Link::receiver, false);
    EXPECT_EQ(toldDisconnected(), 1) << "the cable still reaches the mouse";

    app.trayAvailable = false;
    app.plug(Link::cable, false);
    EXPECT_EQ(toldDisconnected(), 2) << "a second disconnect is told again";
    EXPECT_TRUE(app.window().isVisible()) << "with no tray the window says no mouse is connected";
    EXPECT_EQ(shownDevicePage(app), "no_device_page");
}

// Without a tray, closing the window is the way to end the program: it asks first, and a tray that
// has come meanwhile takes the window as usual. The window says once how to get a tray.
TEST(NoTray, ClosingTheWindowAsksWhetherToQuitUntilATrayComesAndTheHintIsGivenOnce) {
    AppHarness app({.trayAvailable = false});
    QSignalSpy quit(&app.window(), &CMainWnd::quitRequested);
    const auto closeAnswering = [&](const char* answer) {
        return answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                EXPECT_EQ(box.findChild<QLabel*>("warning_title")->text(), text("quit_without_tray_title_text"));
                EXPECT_EQ(box.findChild<QAbstractButton*>("confirm_btn")->text(), text("quit_text"));
                EXPECT_FALSE(box.findChild<QAbstractButton*>("alternative_btn")->isVisible());
                box.findChild<QAbstractButton*>(answer)->click();
            },
            [&] { app.window().close(); });
    };
    ASSERT_TRUE(closeAnswering("cancel_btn"));
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_EQ(quit.count(), 0) << "kept open";
    ASSERT_TRUE(closeAnswering("confirm_btn"));
    EXPECT_EQ(quit.count(), 1);

    app.window().bringForward();
    app.trayAvailable = true;
    EXPECT_FALSE(closeAnswering("confirm_btn")) << "a tray came: nothing to ask";
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_EQ(quit.count(), 1);

    QPointer<CMsgWnd> hint = tellHowToGetATrayOnce(&app.window());
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_FALSE(hint->isModal()) << "the window stays usable";
    EXPECT_EQ(hint->findChild<QLabel*>("warning")->text(), text("no_tray_text"));
    EXPECT_FALSE(tellHowToGetATrayOnce(&app.window())) << "said once, remembered in the settings";
    hint->findChild<QAbstractButton*>("confirm_btn")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(hint) << "gone once closed";
}

TEST(ShowWindow, WithoutAMouseTheNoDeviceWarningSaysWhatToDoAndOpensTheWindowWhenTheMouseComes) {
    AccessCheck noMouse;
    noMouse.fix.command = "sudo udevadm control --reload && sudo udevadm trigger";
    AppHarness app({.receiverPresent = false, .access = noMouse});
    const auto askForTheWindow = [&] { app.clickTray(QSystemTrayIcon::Trigger); };
    int opened = 0;
    answerModal<CMsgWnd>(
        [&](CMsgWnd& warning) {
            ++opened;
            const auto label = [&](const char* name) { return warning.findChild<QLabel*>(name); };
            EXPECT_EQ(label("warning_title")->text().toStdString(), text("no_device_title_text").toStdString());
            EXPECT_EQ(label("warning")->text().toStdString(), text("no_device_text").toStdString());
            EXPECT_TRUE(label("warning_details")->text().contains(text("no_device_port_text")));
            EXPECT_TRUE(label("warning_details")->text().contains(text("no_device_access_text")));
            EXPECT_EQ(label("warning_command")->text().toStdString(), noMouse.fix.command);
            EXPECT_FALSE(warning.findChild<QAbstractButton*>("cancel_btn")->isVisible()) << "one way out, not two";
            askForTheWindow();
            warning.findChild<QAbstractButton*>("confirm_btn")->click();
        },
        askForTheWindow);
    EXPECT_EQ(opened, 1) << "a click while it is open opens no second one";
    EXPECT_FALSE(app.window().isVisible());

    EXPECT_TRUE(answerModal<CMsgWnd>(
        [&](CMsgWnd& warning) {
            app.plug(Link::receiver);
            app.settleArrival(Link::receiver);
            EXPECT_FALSE(warning.isVisible()) << "it closes by itself";
            if (warning.isVisible()) warning.reject();
        },
        askForTheWindow));
    EXPECT_TRUE(app.window().isVisible()) << "the mouse came while the user waited for the window";
}

// A second start or a left click on the tray icon shows the window, the exit button hides it; the
// tray menu opens above the pointer, one at a time.
TEST(ShowWindow, ASecondStartAndTheTrayIconShowTheWindowExitHidesItAndTheMenuOpensAboveThePointer) {
    AppHarness app({.startHidden = true});
    app.window().bringForward();
    EXPECT_TRUE(app.window().isVisible());
    app.window().showMinimized();
    app.clickTray(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(app.window().isMinimized());
    app.click("exit_btn");
    EXPECT_FALSE(app.window().isVisible());
    app.clickTray(QSystemTrayIcon::Context);
    EXPECT_FALSE(app.window().isVisible()) << "only a left click shows the window";

    QCursor::setPos(400, 300);
    app.clickTray(QSystemTrayIcon::Context);
    QPointer<QMenu> first = app.tray().trayMenu();
    EXPECT_EQ(first->pos(), QPoint(400, 250));
    app.clickTray(QSystemTrayIcon::Context);
    EXPECT_FALSE(first) << "one tray menu at a time";
}

// The frameless window follows a drag of its title bar with the left button, and only that one.
TEST(ShowWindow, ALeftButtonDragOnTheTitleBarMovesTheWindow) {
    AppHarness app;
    auto* bar = app.control<QWidget>("title_bar");
    for (const auto& [button, moved] : {std::pair{Qt::RightButton, QPoint(0, 0)}, {Qt::LeftButton, QPoint(50, 30)}}) {
        const QPoint before = app.window().pos();
        QTest::mousePress(bar, button, {}, QPoint(10, 10));
        QTest::mouseMove(bar, QPoint(60, 40));
        QTest::mouseRelease(bar, button, {}, QPoint(60, 40));
        EXPECT_EQ(app.window().pos() - before, moved) << button;
    }
}

// Hiding into the tray or quitting with an edit the mouse lacks asks once, whichever way out was
// taken; Apply sends it (and the program ends once it has gone), Keep for later keeps it in the
// record and the file without asking again, Discard puts back what the mouse holds, file included.
TEST(PendingEdits, LeavingWithAnEditAsksOnceAndEachAnswerKeepsRecordAndFileInStep) {
    enum class Way { hide, trayExit, closeWithoutTray };
    struct Case {
        Way way;
        const char* answer;
        int levelAfter;  // dpiLevel of profile 1 in the record and the file afterwards
    };
    constexpr int kDefaultLevel = 2, kChosenLevel = 4;
    for (const Case& c : {Case{Way::hide, "confirm_btn", kChosenLevel}, {Way::hide, "cancel_btn", kChosenLevel},
                          {Way::hide, "alternative_btn", kDefaultLevel}, {Way::trayExit, "confirm_btn", kChosenLevel},
                          {Way::closeWithoutTray, "cancel_btn", kChosenLevel}}) {
        SCOPED_TRACE(testing::Message() << "way " << static_cast<int>(c.way) << ", " << c.answer);
        AppHarness app(
            {.receiverPresent = false, .cablePresent = true, .trayAvailable = c.way != Way::closeWithoutTray});
        ASSERT_TRUE(app.waitForAppliesEnded(1));
        std::vector<int> quits;  // applies ended by each quit
        QObject::connect(&app.window(), &CMainWnd::quitRequested, [&] { quits.push_back(app.appliesEnded); });
        app.click("wireless_dpi_setting_btn");
        app.click("wireless_dpi_btn_5");
        ASSERT_FALSE(app.session().saveDataFilesNow(false).error) << "as a switch on the mouse would save it, edits and all";
        const auto leave = [&] {
            if (c.way == Way::trayExit) {
                app.trayAction("exit")->trigger();
                app.deliverMessages();
            } else {
                app.click("exit_btn");
            }
        };
        int asked = 0;
        // Without a tray, whether to quit at all is asked first.
        std::optional<AnswerWhenShown<CMsgWnd>> quitAnyway;
        if (c.way == Way::closeWithoutTray) {
            quitAnyway.emplace([](CMsgWnd& box) { box.findChild<QAbstractButton*>("confirm_btn")->click(); });
        }
        answerModal<CMsgWnd>(
            [&](CMsgWnd& box) {
                ++asked;
                EXPECT_EQ(box.findChild<QLabel*>("warning")->text(), text("pending_one_text").arg(1));
                // A second way out taken meanwhile (the tray's exit) asks nothing more.
                QTimer answerOthers;
                QObject::connect(&answerOthers, &QTimer::timeout, [&] {
                    for (QWidget* window : QApplication::topLevelWidgets()) {
                        if (window != &box && window->isVisible() && qobject_cast<CMsgWnd*>(window)) {
                            ++asked;
                            window->close();
                        }
                    }
                });
                answerOthers.start(0);
                app.trayAction("exit")->trigger();
                app.deliverMessages();
                box.findChild<QAbstractButton*>(c.answer)->click();
            },
            leave);
        EXPECT_EQ(asked, 1);
        EXPECT_FALSE(app.window().isVisible());
        const bool applied = c.answer == std::string("confirm_btn");
        if (applied) {
            ASSERT_TRUE(app.waitForAppliesEnded(2));
        }
        EXPECT_EQ(quits, c.way == Way::hide ? std::vector<int>{} : std::vector<int>{applied ? 2 : 1})
            << "an apply chosen on the way out ends before the program does";

        auto saved = qx4::test::savedRecord();
        EXPECT_EQ(app.session().record().profiles[0].dpiLevel, c.levelAfter);
        EXPECT_EQ(saved->profiles[0].dpiLevel, c.levelAfter);
        const auto reports = app.reports(Link::cable);
        const auto lastDpi = std::find_if(reports.rbegin(), reports.rend(), [](const auto& r) { return r[0] == 0x04; });
        ASSERT_NE(lastDpi, reports.rend());
        EXPECT_EQ((*lastDpi)[24], (applied ? kChosenLevel : kDefaultLevel) + 1) << "what the mouse holds";
        if (c.way != Way::hide) continue;
        app.window().bringForward();
        EXPECT_FALSE(answerModal<CMsgWnd>([](CMsgWnd& box) { box.reject(); }, [&] { app.click("exit_btn"); }))
            << "nothing left to ask about, or kept for later already";
    }
}

// Enter answers with the box's default: the edits go to the mouse rather than away, and a reset
// asked about by mistake is not done.
TEST(PendingEdits, EnterInTheBoxesSendsTheEditsAndResetsNothing) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    app.click("wireless_dpi_setting_btn");
    app.click("wireless_dpi_btn_5");
    const auto pressEnter = [](CMsgWnd& box) {
        QWidget* focused = box.focusWidget();
        ASSERT_TRUE(focused);
        QTest::keyClick(focused, Qt::Key_Return);
        EXPECT_FALSE(box.isVisible()) << "Enter answered";
    };
    EXPECT_TRUE(answerModal<CMsgWnd>(pressEnter, [&] { app.click("wireless_reset_profile_btn"); }));
    EXPECT_EQ(app.session().record().profiles[0].dpiLevel, 4) << "not reset";
    EXPECT_TRUE(answerModal<CMsgWnd>(pressEnter, [&] { app.click("exit_btn"); }));
    ASSERT_TRUE(app.waitForAppliesEnded(2)) << "Enter applied";
    EXPECT_EQ(app.session().record().profiles[0].dpiLevel, 4);
    EXPECT_EQ(app.session().editsNotSent(), 0);
}

// Enter on a focused button of the window presses it, as Space does.
TEST(Keyboard, EnterPressesTheFocusedButton) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    app.click("wireless_dpi_setting_btn");
    app.click("wireless_dpi_btn_5");
    auto* apply = app.control<QAbstractButton>("wireless_apply_btn");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        const std::size_t before = app.applyRequests.size();
        apply->setFocus();
        QTest::keyClick(apply, key);
        EXPECT_EQ(app.applyRequests.size(), before + 1);
    }
}

// A DPI field left with the keyboard in it takes what was typed when the window goes, and shows no
// cursor when it comes back.
TEST(Keyboard, AFieldLeftWithTheKeyboardHasNoCursorWhenTheWindowComesBack) {
    AppHarness app({.receiverPresent = false, .cablePresent = true});
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    app.click("wireless_dpi_setting_btn");
    auto* field = app.control<QLineEdit>("wireless_dpi_value_2");
    QApplication::setActiveWindow(&app.window());
    field->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(app.window().focusWidget(), field);
    field->setText(QStringLiteral("1000"));
    field->setModified(true);
    app.window().hide();
    app.window().show();
    EXPECT_NE(app.window().focusWidget(), field);
    EXPECT_EQ(app.session().record().active().dpiValuesX[1], 10) << "what was typed is kept";
}

// Per application belongs to the profile files in the side panel, before the tabs.
TEST(Keyboard, TabReachesPerApplicationAfterTheProfileFilesAndBeforeTheTabs) {
    AppHarness app;
    auto* reset = app.control<QWidget>("wireless_reset_profile_btn");
    EXPECT_EQ(reset->nextInFocusChain()->objectName(), "wireless_rules_btn");
    EXPECT_EQ(app.control<QWidget>("wireless_rules_btn")->nextInFocusChain()->objectName(), "wireless_button_btn");
}

// The popup (and the desktop's notice, which takes the same text) names the DPI the page shows
// for the level, whatever value the record stores there (0 and values no step stores included).
TEST(Popup, SaysTheDpiThePageShowsForEveryStoredValue) {
    AppHarness app;
    app.click("wireless_dpi_setting_btn");
    const auto* field = app.control<QLineEdit>("wireless_dpi_value_3");
    ASSERT_TRUE(field);
    for (std::int32_t stored = 0; stored <= 98; ++stored) {
        SCOPED_TRACE(testing::Message() << "stored " << stored);
        app.session().edit([stored](DeviceConfig& record) {
            record.active().dpiValuesX[2] = stored;
            return true;
        });
        app.control<SettingsPage>("wireless_dpi_tab")->refreshFromRecord();  // as after an import
        app.notify(Link::receiver, kNotifyDpiLevel, 3);
        ASSERT_TRUE(app.tray().dpiPopup());
        EXPECT_EQ(app.tray().dpiPopup()->text(), text("dpi_popup_text").arg(field->text()));
    }
}

TEST(Popup, ABurstOfChangesKeepsOnePopupWithTheLatestTextUntilTwoSecondsAfterTheLast) {
    AppHarness app;
    auto* timer = app.tray().findChild<QTimer*>("dpi_popup_timer");
    app.notify(Link::receiver, kNotifyDpiLevel, 4);
    QPointer<CDPIMsg> popup = app.tray().dpiPopup();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->isVisible());
    const auto* shown = popup->findChild<QLabel*>(QStringLiteral("dpi_label"));
    ASSERT_EQ(shown->text(), "1600 DPI");
    EXPECT_EQ(timer->interval(), 2000);

    timer->stop();  // as if time had passed, short of the two seconds
    app.notify(Link::receiver, kNotifyProfile, 5);
    EXPECT_EQ(app.tray().dpiPopup(), popup.data());
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown->text() == "Profile 5"; }, qx4::test::kPatienceMs))
        << "shown with the next frame";
    EXPECT_TRUE(timer->isActive()) << "each change restarts the two seconds";

    ASSERT_TRUE(fire(timer));
    EXPECT_FALSE(app.tray().dpiPopup());
    EXPECT_FALSE(timer->isActive()) << "nothing left to close";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(popup) << "the popup deletes itself once closed";
    EXPECT_EQ(CDPIMsg::geometryFor(QRect(64, 32, 1856, 1048)), QRect(1710, 1020, 200, 50));
}

// The capture service against a hook table of recording stubs: the calls each kind of capture
// makes, in order, and where captured input goes.
using Calls = std::vector<std::string>;
using Kind = CaptureService::Kind;
Calls calls;
void note(const std::string& call) { calls.push_back(call); }

HookTable recordingHooks() {
    HookTable hooks;
    hooks.installhook = [](const qx4_message_sink*) { note("installhook"); return 1; };
    hooks.removehook = [] { note("removehook"); };
    hooks.enablehook = [](int on) { note("enablehook(" + std::to_string(on) + ")"); };
    hooks.removemousehook = [] { note("removemousehook"); };
    hooks.enablemousehook = [](int on) { note("enablemousehook(" + std::to_string(on) + ")"); };
    hooks.mousewheelenable = [](int on) { note("mousewheelenable(" + std::to_string(on) + ")"); };
    return hooks;
}

struct Target final : CaptureTarget {
    void capturedInput(const CapturedInput& input) override { keys.push_back(input.virtualKey); }
    std::vector<std::uint32_t> keys;
};

// The timed entry point is preferred; without a library the page's state still changes.
TEST(CaptureService, EachKindCallsTheHookLibraryInItsOrderAndInputGoesToTheCurrentCaptureOnly) {
    HookTable hooks = recordingHooks();
    CaptureService service(hooks);
    Target target;
    struct Case {
        Kind kind;
        Calls begin, end;
    };
    for (const Case& c : {Case{Kind::buttonKey, {"installhook", "enablehook(1)"}, {"enablehook(0)", "removehook"}},
                          {Kind::macroRecording, {"installhook", "enablehook(1)", "mousewheelenable(0)"},
                           {"removehook", "removemousehook", "enablemousehook(0)", "enablehook(0)", "mousewheelenable(0)"}},
                          {Kind::macroStepKey, {"installhook", "enablehook(1)"}, {"removehook", "enablehook(0)"}}}) {
        calls.clear();
        CaptureService::Capture capture = service.begin(c.kind, target);
        EXPECT_EQ(calls, c.begin);
        EXPECT_TRUE(service.flag(c.kind));
        calls.clear();
        capture.end();
        EXPECT_EQ(calls, c.end);
        EXPECT_FALSE(service.flag(c.kind)) << "an ended capture leaves no flag behind";
    }
    CaptureService::Capture recording = service.begin(Kind::macroRecording, target);
    calls.clear();
    recording.pauseMouse(false);
    recording.pauseMouse(true);
    EXPECT_EQ(calls, (Calls{"enablemousehook(1)", "enablemousehook(0)"}));
    // Only the current recording turns the mouse hook on and off.
    const CaptureService::Capture replacing = service.begin(Kind::macroRecording, target);
    calls.clear();
    recording.pauseMouse(false);
    EXPECT_EQ(calls, Calls{}) << "a recording another one replaced";
    CaptureService::Capture key = service.begin(Kind::buttonKey, target);
    calls.clear();
    key.pauseMouse(false);
    EXPECT_EQ(calls, Calls{}) << "a capture of keys";

    CaptureService routing(hooks);
    Target second;
    routing.deliver(CapturedInput::key(0x41, true));
    CaptureService::Capture older = routing.begin(Kind::buttonKey, target);
    routing.deliver(CapturedInput::key(0x42, true));
    CaptureService::Capture newer = routing.begin(Kind::macroStepKey, second);
    EXPECT_FALSE(routing.flag(Kind::buttonKey)) << "beginning a capture clears the others' flags";
    older.end();  // late: it must not end the capture that replaced it
    routing.deliver(CapturedInput::key(0x43, true));
    { const CaptureService::Capture moved = std::move(newer); }
    routing.deliver(CapturedInput::key(0x44, true));
    EXPECT_EQ(target.keys, std::vector<std::uint32_t>{0x42});
    EXPECT_EQ(second.keys, std::vector<std::uint32_t>{0x43});

    hooks.installtimedhook = [](const qx4_timed_message_sink*) { note("installtimedhook"); return 1; };
    CaptureService timed(hooks);
    calls.clear();
    const CaptureService::Capture stepKey = timed.begin(Kind::macroStepKey, target);
    EXPECT_EQ(calls, (Calls{"installtimedhook", "enablehook(1)"}));

    const HookTable none;
    CaptureService without(none);
    EXPECT_FALSE(without.available());
    const CaptureService::Capture nothing = without.begin(Kind::macroRecording, target);
    EXPECT_TRUE(without.flag(Kind::macroRecording));
}

// What the hook library posts reaches the page holding the capture as a key or a button, with the
// moment the hook stamped on it; what no capture takes goes no further.
TEST(PageMessages, CapturedInputReachesThePageHoldingTheCapture) {
    AppHarness app;
    RecordingPage& page = app.buttonPage();

    app.sendHookInput(0x41);  // nobody captures
    {
        const CaptureService::Capture capture =
            page.capture().begin(CaptureService::Kind::buttonKey, page);
        const qx4_timed_message_sink& sink = page.capture().hookSink();
        sink.post(sink.context, UM_HOOK_INPUT, 0x43, 1, 123456);
        sink.post(sink.context, UM_HOOK_INPUT, WM_XBUTTONDOWN, 2, 0);
        sink.post(sink.context, UM_HOOK_INPUT, WM_RBUTTONUP, 0, 0);
        sink.post(sink.context, UM_HOOK_INPUT, WM_MOUSEWHEEL, 120, 0);
        sink.post(sink.context, UM_HOOK_INPUT, WM_XBUTTONUP, 0, 0);  // an X button without its number
        AppHarness::deliverMessages();
    }
    app.sendHookInput(0x44);  // the capture has ended

    ASSERT_EQ(page.captured.size(), 3u);
    EXPECT_TRUE(page.captured[0].sameAs(CapturedInput::key(0x43, false)));
    EXPECT_EQ(page.captured[0].milliseconds, 123456u);
    EXPECT_TRUE(page.captured[1].sameAs(CapturedInput::mouse(CapturedButton::x2, true)));
    EXPECT_TRUE(page.captured[2].sameAs(CapturedInput::mouse(CapturedButton::right, false)));
}

TEST(Libraries, MissingHookAndDriverLibrariesLeaveTheMouseAbsentAndSaySoOnApply) {
    AppHarness app({.librariesMissing = true});
    EXPECT_EQ(app.window().hooks().module, nullptr);
    EXPECT_FALSE(app.window().isVisible());
    for (std::uint32_t message : {UM_RECEIVER_ARRIVAL, UM_CABLE_ARRIVAL}) app.sendAsDriver(message, 1);
    app.sendAsDriver(UM_CABLE_DATA, 0x4000, 0x0801);
    EXPECT_FALSE(app.window().connected());

    app.click("wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(app.control<QLabel>("apply_status_label")->text(), text("apply_no_link_text"));
}

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

// Each action of the tray menu, in a program started into the tray with a popup up: what it does,
// and what its item shows at the menu's next opening.
TEST(TrayMenu, EachActionDoesWhatItSaysAndItsItemShowsIt) {
    qx4::test::TempFolder config;
    qx4::test::ScopedEnv configHome("XDG_CONFIG_HOME", config.path().string());
    qx4::test::ScopedEnv configDirs("XDG_CONFIG_DIRS", (config.path() / "xdg").string());
    const auto entry = config.path() / "autostart" / kAutostartFileName;
    const std::pair<const char*, std::function<void(AppHarness&, int quits)>> actions[] = {
        {"configuration", [](AppHarness& app, int quits) {
             EXPECT_TRUE(app.window().isVisible());
             EXPECT_EQ(quits, 0) << "the program lives on in the tray";
         }},
        {"exit", [](AppHarness& app, int quits) {
             EXPECT_EQ(quits, 1);
             EXPECT_FALSE(app.window().isVisible());
             EXPECT_FALSE(app.tray().dpiPopup());
         }},
        {"profile_3", [](AppHarness& app, int) {
             EXPECT_EQ(app.session().record().activeProfile, 2);
             EXPECT_TRUE(app.trayAction("profile_3")->isChecked());
             EXPECT_EQ(app.trayAction("profile_3")->text().toStdString(), "Profile 3");
             EXPECT_FALSE(app.trayAction("follow")->isVisible()) << "nothing follows the focus in this window";
         }},
        {"profile_5", [](AppHarness& app, int) { EXPECT_EQ(app.session().record().activeProfile, 4) << "the last"; }},
        {"autostart", [&entry](AppHarness& app, int) {
             const std::string written = qx4::test::readText(entry);
             const auto exec = written.find("\nExec=");
             ASSERT_NE(exec, std::string::npos) << written;
             std::istringstream words(written.substr(exec + 6, written.find('\n', exec + 1) - exec - 6));
             std::vector<std::string> arguments{std::istream_iterator<std::string>(words), {}};
             std::vector<const char*> argv;
             for (const auto& argument : arguments) argv.push_back(argument.c_str());
             EXPECT_TRUE(parseCommandLine(static_cast<int>(argv.size()), argv.data()).startHidden) << written;
             EXPECT_TRUE(app.trayAction("autostart")->isChecked());
             app.trayAction("autostart")->trigger();
             app.deliverMessages();
             EXPECT_FALSE(std::filesystem::exists(entry)) << "nothing is left behind";
             EXPECT_FALSE(app.trayAction("autostart")->isChecked());
         }},
        {"battery_warnings", [](AppHarness& app, int) {
             EXPECT_FALSE(app.trayAction("battery_warnings")->isChecked());
             EXPECT_NE(qx4::test::readText(settingsFilePath().toStdString()).find("battery_warnings=false"), std::string::npos);
             app.notify(Link::receiver, kNotifySleepStatus, sleepStatusValue(false, 1));
             EXPECT_TRUE(app.notices.empty()) << "switched off";
         }},
    };
    for (const auto& [name, then] : actions) {
        SCOPED_TRACE(name);
        AppHarness app({.startHidden = true});
        int quits = 0;
        QObject::connect(&app.window(), &CMainWnd::quitRequested, [&] { ++quits; });
        ASSERT_TRUE(app.waitForAppliesEnded(1));  // a switch on the mouse during the start's apply is a change to send
        app.notify(Link::receiver, kNotifyDpiLevel, 2);
        ASSERT_TRUE(app.tray().dpiPopup());
        QAction* action = app.trayAction(name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->isChecked(), std::string_view(name) == "battery_warnings") << "as it starts";
        const AnswerWhenShown<CMsgWnd> nothingAsked([](CMsgWnd& box) {  // a box left open would hold the test
            ADD_FAILURE() << "asked: " << box.findChild<QLabel*>("warning")->text().toStdString();
            box.reject();
        });
        action->trigger();
        app.deliverMessages();
        then(app, quits);
    }
    const CommandLine byHand = parseCommandLine(2, std::array{"qx4-config", "--simulate"}.data());
    EXPECT_FALSE(byHand.startHidden) << "started by hand";
    EXPECT_TRUE(byHand.simulate);
    EXPECT_EQ(trayProfileOf({QStringLiteral("profile_1"), {}, {}}), 0) << "the first";
    for (const char* other : {"profile_0", "profile_6", "profile_x", "exit"}) {
        EXPECT_EQ(trayProfileOf({QString::fromLatin1(other), {}, {}}), std::nullopt) << other;
    }
}

// A language chosen in the tray menu is kept for the next start, which shows it whatever the
// desktop's is; the desktop's is chosen again by its own item.
TEST(TrayMenu, ALanguageChosenIsKeptForTheNextStart) {
    AppHarness app({.startHidden = true});
    const auto item = [&](const QString& language) -> QAction* {
        app.clickTray(QSystemTrayIcon::Context);
        for (QAction* each : app.tray().trayMenu()->findChildren<QAction*>(QStringLiteral("language"))) {
            if (each->data().toString() == language) return each;
        }
        return nullptr;
    };
    ASSERT_TRUE(item(QString()) && item(QStringLiteral("en")));
    EXPECT_TRUE(item(QString())->isChecked());
    const QAction* autostart = app.trayAction("autostart");
    const QList<QAction*> items = app.tray().trayMenu()->actions();
    EXPECT_EQ(items.indexOf(app.tray().trayMenu()->findChild<QMenu*>("language_menu")->menuAction()) + 1,
              items.indexOf(autostart)) << "the languages come just before start at login";
    ASSERT_TRUE(item(QStringLiteral("de")));
    EXPECT_EQ(item(QStringLiteral("de"))->text(), "Deutsch");
    const auto told = [&](QAction* chosen) {
        QString said;
        answerModal<CMsgWnd>([&](CMsgWnd& box) {
            said = box.findChild<QLabel*>(QStringLiteral("warning"))->text();
            box.done(CMsgWnd::kCancelled);
        }, [&] {
            chosen->trigger();
            app.deliverMessages();
        });
        return said;
    };
    EXPECT_EQ(told(item(QStringLiteral("de"))), text("language_next_start_text"));
    EXPECT_TRUE(item(QStringLiteral("de"))->isChecked());
    EXPECT_EQ(languageToShow().language(), QLocale::German);
    EXPECT_EQ(told(item(QString())), text("language_next_start_text"));
    EXPECT_TRUE(item(QString())->isChecked());
    EXPECT_EQ(languageToShow(), QLocale::system());
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
    EXPECT_EQ(app.tray().trayIcon()->toolTip().section(QLatin1Char('\n'), 1), text("tray_no_access_text"));

    // After a replug the link counts as present though its node stays closed: the status line says so,
    // once the apply of the start has told that it found no link.
    ASSERT_TRUE(app.waitForAppliesEnded(1));
    app.plug(Link::receiver);
    app.settleArrival(Link::receiver);
    EXPECT_NE(app.control<QLabel>("apply_status_label")->text().toStdString().find(app.access.fix.command), std::string::npos);

    app.access.access.state = DeviceAccess::State::noNode;
    app.plug(Link::receiver, false);
    EXPECT_EQ(title->text(), text("no_access_title_text"));
    EXPECT_EQ(hint->text(), text("no_node_text"));
    EXPECT_FALSE(command->isVisibleTo(app.control<QWidget>("no_device_page"))) << "a udev rule makes no node";
    EXPECT_EQ(app.tray().trayIcon()->toolTip().section(QLatin1Char('\n'), 1), text("tray_no_node_text"));

    app.access = {};
    app.plug(Link::receiver);
    app.settleArrival(Link::receiver);
    app.plug(Link::receiver, false);
    EXPECT_EQ(title->text(), text("no_device_title_text")) << "fixed: back to no mouse";
    EXPECT_EQ(hint->text(), text("no_device_hint_text"));
    EXPECT_FALSE(command->isVisibleTo(app.control<QWidget>("no_device_page")));
}

}  // namespace
}  // namespace qx4::gui::test
