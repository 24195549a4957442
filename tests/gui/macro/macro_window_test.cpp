// The macro page inside the program's window: captured input posted to the window reaches a
// recording, the window may end while one runs, and the hook library hearing the window records
// what is typed and clicked there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QWindow>

#include <utility>
#include <vector>

#include "core/macro/macro_store.h"
#include "core/window_messages.h"
#include "gui/macro/wireless_macro_ui.h"
#include "tests/gui/app/app_harness.h"

namespace qx4::gui::test {
namespace {

TEST(MacroPageInTheWindow, PostedInputReachesTheRecordingAndTheWindowMayEndDuringIt) {
    auto app = std::make_unique<AppHarness>();
    app->click("wireless_macro_btn");
    auto* page = app->control<CWirelessMacroUI>("wireless_macro_tab");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(app->control<QLabel>("wireless_macro_capture_note")->isVisible()) << "no hook library";

    app->click("wireless_macro_record_btn");
    ASSERT_TRUE(page->recording());
    app->send(UM_HOOK_INPUT, 0x41, 0);
    app->send(UM_HOOK_INPUT, 0x41, 0);  // the key repeats while held
    app->send(UM_HOOK_INPUT, WM_RBUTTONDOWN, 0);
    app->send(UM_HOOK_INPUT, 0x41, 1);
    EXPECT_EQ(app->control<QListWidget>("wireless_macro_action_list")->count(), 3);
    EXPECT_TRUE(app->window().capture().flag(CaptureService::Kind::macroRecording));

    // The page ends its recording through the capture service, which must still be there.
    app.reset();
}

// A click as the system delivers it to the window: the pointer comes, the press goes in and what
// it brings about is handled, then the release.
void clickInWindow(AppHarness& app, const QWidget* widget) {
    QWindow* window = app.window().windowHandle();
    const QPoint at = widget->mapTo(&app.window(), widget->rect().center());
    QTest::mouseMove(window, at);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at);
    AppHarness::deliverMessages();
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at);
    AppHarness::deliverMessages();
}

void typeInWindow(AppHarness& app, Qt::Key key) {
    QTest::keyClick(app.window().windowHandle(), key);
    AppHarness::deliverMessages();
}

// The hook hears the window only (as under Wayland): the click that saves the recording goes in
// before the page has stopped it, and is still not a step.
TEST(MacroPageInTheWindow, TheHookInTheWindowRecordsClicksInTheStepListAndNotOnTheProgramsControls) {
    HarnessOptions options;
    options.hookLibraryFile = kHookLibraryFile;
    AppHarness app(options);
    ASSERT_TRUE(app.window().capture().available());
    ASSERT_FALSE(app.window().capture().wholeDesktop()) << "no X server for the window";
    app.click("wireless_macro_btn");
    auto* page = app.control<CWirelessMacroUI>("wireless_macro_tab");
    auto* record = app.control<QAbstractButton>("wireless_macro_record_btn");

    clickInWindow(app, record);
    ASSERT_TRUE(page->recording());
    typeInWindow(app, Qt::Key_X);
    clickInWindow(app, app.control<QListWidget>("wireless_macro_action_list")->viewport());
    clickInWindow(app, app.control<QListWidget>("wireless_macro_list"));  // locked while recording
    clickInWindow(app, record);
    EXPECT_FALSE(page->recording());
    clickInWindow(app, record);  // goes on after the last step
    typeInWindow(app, Qt::Key_Y);
    clickInWindow(app, app.control<QAbstractButton>("wireless_macro_save_btn"));
    EXPECT_FALSE(page->recording());

    ASSERT_EQ(app.window().macros().size(), 1u);
    const MacroRecord& macro = *macroAt(0, app.window().macros());
    std::vector<std::pair<int, int>> steps;
    for (int i = 0; i < macro.actionCount; ++i) {
        const MacroAction& step = macro.actions[static_cast<std::size_t>(i)];
        steps.emplace_back(step.code, step.kind);
    }
    constexpr int kX = 0x1B, kY = 0x1C, kLeft = 241, kDown = kMacroActionPress, kUp = kMacroActionRelease;
    EXPECT_EQ(steps, (std::vector<std::pair<int, int>>{
                         {kX, kDown}, {kX, kUp}, {kLeft, kDown}, {kLeft, kUp}, {kY, kDown}, {kY, kUp}}));
}

}  // namespace
}  // namespace qx4::gui::test
