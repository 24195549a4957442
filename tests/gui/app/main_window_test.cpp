// The main window: whether it shows, how it follows the connection, the tray, the popup, the
// routing of captured input, and the hook and driver libraries going missing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QSystemTrayIcon>

#include <dlfcn.h>

#include "app_harness.h"
#include "core/window_messages.h"
#include "gui/app/about_wnd.h"
#include "gui/app/dpi_msg.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui::test {
namespace {

constexpr std::uintptr_t kTrayIcon = CMainWnd::kTrayIconId;

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

QString shownDevicePage(AppHarness& app) {
    return app.control<QStackedWidget>("device_tab_switch")->currentWidget()->objectName();
}

void click(AppHarness& app, const char* button) {
    app.control<QAbstractButton>(button)->click();
    app.deliverMessages();
}

TEST(StartVisibility, ShownOnlyWithAMouseConnectedAndAnEmptyCommandLine) {
    struct Case {
        bool receiver, cable, startHidden, shown;
    };
    for (const Case& c : {Case{true, false, false, true}, Case{false, true, false, true},
                          Case{true, true, true, false}, Case{false, false, false, false},
                          Case{false, false, true, false}}) {
        AppHarness app({.receiverPresent = c.receiver, .cablePresent = c.cable,
                        .startHidden = c.startHidden});
        EXPECT_EQ(app.window().isVisible(), c.shown)
            << "receiver " << c.receiver << ", cable " << c.cable << ", hidden " << c.startHidden;
        EXPECT_EQ(app.window().connected(), c.receiver || c.cable);
    }
}

TEST(StartVisibility, WithoutATrayTheWindowShowsEvenWhenItWouldHide) {
    {
        AppHarness app({.receiverPresent = false, .trayAvailable = false});
        EXPECT_TRUE(app.window().isVisible());
        EXPECT_EQ(shownDevicePage(app), "no_device_page");
    }
    AppHarness app({.trayAvailable = false, .startHidden = true});
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_EQ(shownDevicePage(app), "device_page_1");
}

TEST(Connection, LosingBothLinksHidesTheWindowAndAReconnectLeavesItHidden) {
    AppHarness app({.receiverPresent = true, .cablePresent = true});
    ASSERT_TRUE(app.window().isVisible());

    app.unplug(Link::cable);
    app.deliverMessages();
    EXPECT_TRUE(app.window().isVisible()) << "the receiver still reaches the mouse";

    app.unplug(Link::receiver);
    app.deliverMessages();
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_FALSE(app.window().connected());

    app.plug(Link::receiver);
    app.deliverMessages();
    app.settleArrival(Link::receiver);
    EXPECT_TRUE(app.window().connected());
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_EQ(shownDevicePage(app), "device_page_1");
}

TEST(Connection, WithoutATrayADisconnectShowsThatNoMouseIsConnected) {
    AppHarness app({.trayAvailable = false});
    app.unplug(Link::receiver);
    app.deliverMessages();
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_EQ(shownDevicePage(app), "no_device_page");

    app.plug(Link::receiver);
    app.deliverMessages();
    app.settleArrival(Link::receiver);
    EXPECT_EQ(shownDevicePage(app), "device_page_1");
}

TEST(ShowWindow, SecondStartAndTrayClickBringAConnectedWindowForward) {
    AppHarness app({.startHidden = true});
    ASSERT_FALSE(app.window().isVisible());
    app.post(UM_SHOW_MAIN);
    app.deliverMessages();
    EXPECT_TRUE(app.window().isVisible());

    app.window().showMinimized();
    app.post(UM_TRAY_NOTIFY, kTrayIcon, WM_LBUTTONUP);
    app.deliverMessages();
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_FALSE(app.window().isMinimized());

    app.window().hide();
    app.post(UM_TRAY_NOTIFY, kTrayIcon, WM_RBUTTONDOWN);
    app.deliverMessages();
    EXPECT_FALSE(app.window().isVisible()) << "only a left click shows the window";
}

TEST(ShowWindow, WithoutAMouseTheNoDeviceWarningOpensOnceAndChangesNothing) {
    AppHarness app({.receiverPresent = false});
    for (const char* answer : {"cancel_btn", "confirm_btn"}) {
        int extraWarnings = 0;
        const bool opened = answerModal<CMsgWnd>(
            [&](CMsgWnd& warning) {
                EXPECT_EQ(warning.findChild<QLabel*>("warning")->text(), text("no_device_text"));
                EXPECT_EQ(warning.findChild<QLabel*>("warning_title")->text(),
                          text("warning_title_text"));
                // A second warning would run its own loop: close it from there and count it.
                QTimer closeOthers;
                closeOthers.setInterval(0);
                QObject::connect(&closeOthers, &QTimer::timeout, [&extraWarnings, &warning] {
                    for (QWidget* widget : QApplication::topLevelWidgets()) {
                        auto* other = qobject_cast<CMsgWnd*>(widget);
                        if (!other || other == &warning || !other->isVisible()) continue;
                        ++extraWarnings;
                        other->findChild<QAbstractButton*>("cancel_btn")->click();
                    }
                });
                closeOthers.start();
                app.window().handleCustomMessage(UM_TRAY_NOTIFY, kTrayIcon, WM_LBUTTONUP);
                app.window().handleCustomMessage(UM_SHOW_MAIN, 0, 0);
                closeOthers.stop();
                warning.findChild<QAbstractButton*>(answer)->click();
            },
            [&] { app.window().handleCustomMessage(UM_TRAY_NOTIFY, kTrayIcon, WM_LBUTTONUP); });
        EXPECT_TRUE(opened);
        EXPECT_EQ(extraWarnings, 0);
        EXPECT_FALSE(app.window().isVisible());
    }
}

TEST(TrayMenu, OpensFromItsLayoutFiftyPixelsAboveThePointerAndReplacesThePreviousOne) {
    AppHarness app;
    EXPECT_EQ(app.window().trayIcon()->toolTip(), "KESTRA QX4");
    EXPECT_EQ(app.window().windowTitle(), "KESTRA QX4");

    QCursor::setPos(400, 300);
    app.post(UM_TRAY_NOTIFY, kTrayIcon, WM_RBUTTONUP);
    app.deliverMessages();
    QPointer<QMenu> first = app.window().trayMenu();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->pos(), QPoint(400, 250));
    QStringList names;
    for (QAction* action : first->actions()) {
        if (!action->isSeparator()) names << action->objectName() + "=" + action->text();
    }
    EXPECT_EQ(names, QStringList({"configuration=" + text("configuration_text"),
                                  "exit=" + text("exit_text")}));

    app.post(UM_TRAY_NOTIFY, kTrayIcon, WM_RBUTTONUP);
    app.deliverMessages();
    EXPECT_FALSE(first) << "one tray menu at a time";
    EXPECT_TRUE(app.window().trayMenu());
}

QAction* trayAction(AppHarness& app, const char* name) {
    app.post(UM_TRAY_NOTIFY, kTrayIcon, WM_RBUTTONUP);
    app.deliverMessages();
    return app.window().trayMenu()->findChild<QAction*>(name);
}

TEST(TrayMenu, ConfigurationShowsTheWindowAndExitEndsTheProgram) {
    AppHarness app({.startHidden = true});
    QSignalSpy quit(&app.window(), &CMainWnd::quitRequested);

    app.window().handleCustomMessage(UM_MENU_COMMAND, 0, 0);
    trayAction(app, "configuration")->trigger();
    app.deliverMessages();
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_EQ(quit.count(), 0);

    app.post(UM_DPI_CHANGED, 0, 8);
    app.deliverMessages();
    ASSERT_TRUE(app.window().dpiPopup());
    trayAction(app, "exit")->trigger();
    app.deliverMessages();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_FALSE(app.window().dpiPopup());
}

TEST(Popup, ABurstOfChangesKeepsOnePopupWithTheLatestTextUntilItsTimerFires) {
    AppHarness app;
    auto* timer = app.window().findChild<QTimer*>("dpi_popup_timer");
    app.post(UM_DPI_CHANGED, 0, 16);
    app.deliverMessages();
    QPointer<CDPIMsg> popup = app.window().dpiPopup();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->findChild<QLabel*>("dpi_label")->text(), "DPI :1600");
    EXPECT_EQ(popup->size(), QSize(200, 50));
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);

    timer->stop();  // as if time had passed, short of the two seconds
    app.post(UM_PROFILE_CHANGED, 0, 4);
    app.deliverMessages();
    EXPECT_EQ(app.window().dpiPopup(), popup.data());
    EXPECT_EQ(popup->findChild<QLabel*>("dpi_label")->text(), text("profile_text") + " 5");
    EXPECT_TRUE(timer->isActive()) << "each change restarts the two seconds";

    ASSERT_TRUE(fire(timer));
    EXPECT_FALSE(app.window().dpiPopup());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(popup) << "the popup deletes itself once closed";

    app.post(UM_DPI_CHANGED, 0, 4);
    app.deliverMessages();
    ASSERT_TRUE(app.window().dpiPopup());
    EXPECT_EQ(app.window().dpiPopup()->text(), "DPI :400");
}

TEST(Popup, SitsTenPixelsInsideTheBottomRightCornerOfTheWorkArea) {
    EXPECT_EQ(CDPIMsg::geometryFor(QRect(0, 0, 1920, 1040)), QRect(1710, 980, 200, 50));
    EXPECT_EQ(CDPIMsg::geometryFor(QRect(64, 32, 1856, 1048)), QRect(1710, 1020, 200, 50));
}

TEST(HookInput, GoesOnlyToThePagesWhoseCaptureFlagIsSet) {
    AppHarness app;
    RecordingButtonPage* buttons = app.buttonPage();
    RecordingMacroPage* macros = app.macroPage();
    CaptureFlags& flags = app.window().captureFlags();
    const auto capture = [&](std::uintptr_t wParam, std::intptr_t lParam) {
        app.post(UM_HOOK_INPUT, wParam, lParam);
        app.deliverMessages();
    };

    capture(0x41, 0);
    flags.buttonKeyCapture = 1;
    capture(0x42, 0);  // no editor open on the button page
    EXPECT_TRUE(buttons->capturedKeys.empty());
    EXPECT_TRUE(macros->recorded.empty());
    EXPECT_TRUE(macros->stepKeys.empty());

    buttons->openEditor = 3;
    capture(0x43, 0);
    flags.buttonKeyCapture = 0;
    flags.macroRecording = 1;
    capture(WM_XBUTTONDOWN, 2);
    flags.macroRecording = 0;
    flags.macroStepKeyCapture = 1;
    capture(0x44, 1);

    EXPECT_EQ(buttons->capturedKeys, std::vector<std::uintptr_t>{0x43});
    ASSERT_EQ(macros->recorded.size(), 1u);
    EXPECT_EQ(macros->recorded[0], std::make_pair(std::uintptr_t{WM_XBUTTONDOWN}, std::intptr_t{2}));
    EXPECT_EQ(macros->stepKeys, std::vector<std::uintptr_t>{0x44});

    app.post(UM_BUTTON_CLICKED, 7);
    app.deliverMessages();
    EXPECT_EQ(buttons->clickedButtons, std::vector<int>{7});
}

TEST(HookLibrary, AMissingLibraryLeavesEveryEntryPointUnboundAndTheWindowWorking) {
    AppHarness app;
    const HookTable& hooks = app.window().hooks();
    EXPECT_EQ(hooks.module, nullptr);
    EXPECT_EQ(hooks.installhook, nullptr);
    EXPECT_EQ(hooks.removehook, nullptr);
    EXPECT_EQ(hooks.removemousehook, nullptr);
    EXPECT_TRUE(app.window().isVisible());
    app.window().shutdown();
}

TEST(HookLibrary, IsBoundByNameAndAtShutdownTheMouseHookIsRemovedFirst) {
    void* own = dlopen(QX4_TEST_HOOK_LIBRARY, RTLD_NOW);
    ASSERT_NE(own, nullptr) << dlerror();
    auto calls = reinterpret_cast<const char* (*)()>(dlsym(own, "qx4_test_hook_calls"));
    ASSERT_NE(calls, nullptr);
    {
        AppHarness app({.hookLibraryFile = "qx4_test_hook.so"});
        const HookTable& hooks = app.window().hooks();
        EXPECT_NE(hooks.installmousehook, nullptr);
        EXPECT_NE(hooks.enablemousehook, nullptr);
        EXPECT_NE(hooks.installhook, nullptr);
        EXPECT_NE(hooks.enablehook, nullptr);
        EXPECT_NE(hooks.mousewheelenable, nullptr);
        EXPECT_STREQ(calls(), "") << "the window itself installs nothing";
        app.window().shutdown();
        EXPECT_EQ(app.window().hooks().module, nullptr);
    }
    EXPECT_STREQ(calls(), "removemousehook removehook ");
    dlclose(own);
}

TEST(DriverLibraries, MissingLibrariesLeaveTheMouseAbsentWithoutACrash) {
    AppHarness app({.librariesMissing = true});
    EXPECT_FALSE(app.window().connected());
    EXPECT_FALSE(app.window().isVisible());
    for (std::uint32_t message : {UM_RECEIVER_ARRIVAL, UM_CABLE_ARRIVAL}) app.post(message, 1);
    app.post(UM_CABLE_DATA, 0x4000, 0x0801);
    app.deliverMessages();
    EXPECT_FALSE(app.window().connected());

    click(app, "wireless_apply_btn");
    ASSERT_TRUE(app.waitForAppliesEnded(2));
    EXPECT_EQ(app.control<QLabel>("apply_status_label")->text(), text("apply_no_link_text"));
}

TEST(WindowButtons, ExitHidesIntoTheTrayMinimiseMinimisesDeviceOptionsPickTheirPage) {
    AppHarness app;
    QSignalSpy quit(&app.window(), &CMainWnd::quitRequested);
    click(app, "option_device_2");
    EXPECT_EQ(app.control<QStackedWidget>("device_tab_switch")->currentIndex(), 1);
    click(app, "option_device_1");
    EXPECT_EQ(app.control<QStackedWidget>("device_tab_switch")->currentIndex(), 0);

    click(app, "min_btn");
    EXPECT_TRUE(app.window().isMinimized());
    app.window().showNormal();
    click(app, "exit_btn");
    EXPECT_FALSE(app.window().isVisible());
    EXPECT_EQ(quit.count(), 0);

    app.trayAvailable = false;
    app.window().show();
    click(app, "exit_btn");
    EXPECT_EQ(quit.count(), 1) << "with no tray to reach, closing the window ends the program";
}

TEST(WindowButtons, TheMenuButtonOpensTheAboutBoxWhichItsExitButtonCloses) {
    AppHarness app;
    const bool opened = answerModal<CAboutWnd>(
        [](CAboutWnd& about) {
            EXPECT_EQ(about.findChild<QLabel*>("about_version_label")->text(),
                      text("about_version_text").arg(QCoreApplication::applicationVersion()));
            about.findChild<QAbstractButton*>("exit")->click();
        },
        [&] { click(app, "main_menu_btn"); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(findTopLevel<CAboutWnd>(), nullptr);
}

}  // namespace
}  // namespace qx4::gui::test
