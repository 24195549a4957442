// The macro page inside the program's window: captured input posted to the window reaches a
// recording, and the window may end while one runs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>

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

}  // namespace
}  // namespace qx4::gui::test
