// The program's window against a private qx4-virtual-mouse, driven through its widgets as a user
// would: what the mouse receives is what tests/data/device says each apply sends, and nothing more.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QTest>


#include "core/vocab/function_catalogue.h"
#include "gui/app/dpi_msg.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/dpi_color_wnd.h"
#include "tests/e2e/pages/window_against_mouse.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/patience.h"

namespace qx4::gui {
namespace {

using test::Bytes;
using qx4::test::joined;
using qx4::test::readHexGroup;
using qx4::test::readHexLines;
constexpr const char* kApplies = "applies.hex";

using PagesEndToEnd = test::WindowAgainstMouse;

// Two applies in turn, each sending what changed and nothing more: one DPI colour of profile two;
// then an edit still open in the button editor, which the page's Apply takes with it (one that
// would store nothing holds the apply back and says so, rather than be left behind unseen): volume
// up on button five of profile two. What each apply sends is in tests/data/device/applies.hex.
// Then a reset, which saves and sends every default, the mouse's DPI switch, and a quit in the
// middle of a profile switch.
TEST_F(PagesEndToEnd, AppliesSendWhatChangedAResetEverythingTheDpiSwitchShowsAndAQuitKeepsWhatWasSent) {
    auto record = test::defaultRecord();
    record->activeProfile = 1;  // profile 2 is shown and active from the start
    ASSERT_NO_FATAL_FAILURE(start(*record, "qx4-no-hook-in-this-test.so"));
    std::size_t mark = fullDownload;
    button("wireless_dpi_setting_btn")->click();
    ASSERT_TRUE(test::answerModal<CDpiColorWnd>(
        [](CDpiColorWnd& dialog) {
            dialog.findChild<QAbstractButton*>(QStringLiteral("mouse_dpi_color_11"))->click();
            dialog.findChild<QAbstractButton*>(QStringLiteral("confirm_btn"))->click();
        },
        [&] { button("wireless_dpi_color3")->click(); }));
    button("wireless_apply_btn")->click();
    waitForApplies(1, 3);

    auto saved = savedRecord();
    EXPECT_EQ(saved->activeProfile, 1);
    EXPECT_EQ(saved->profiles[1].dpiColors[2], 0x000000FFu);
    EXPECT_EQ(sentSince(mark), readHexGroup(kApplies, "DPI colour 3 of profile 2"));

    mark = mouse->log().size();
    button("wireless_button_btn")->click();
    button("wireless_button5_btn")->click();
    QCoreApplication::processEvents();  // the row's message comes back through the main window
    auto* group = window->findChild<QComboBox*>(QStringLiteral("wireless_button_type_combo"));
    group->setCurrentIndex(static_cast<int>(FunctionGroup::keyboard));
    button("wireless_apply_btn")->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("apply_status_label"))->text(),
              ResourceManager::instance().text(QStringLiteral("apply_open_edit_text")));
    auto* editor = window->findChild<QWidget*>(QStringLiteral("wireless_button_function_hor"));
    EXPECT_TRUE(editor->isVisible());

    group->setCurrentIndex(static_cast<int>(FunctionGroup::media));
    window->findChild<QComboBox*>(QStringLiteral("wireless_media_type_combo"))->setCurrentIndex(5);
    button("wireless_apply_btn")->click();
    EXPECT_FALSE(editor->isVisible());
    const std::vector<Bytes> expected = readHexGroup(kApplies, "button 5 of profile 2");
    waitForApplies(1, expected.size());

    saved = savedRecord();
    const ButtonBinding& bound = saved->profiles[1].buttons[4];
    EXPECT_EQ(bound.functionCode, 69);
    EXPECT_EQ(bound.functionGroup, 5);
    EXPECT_EQ(sentSince(mark), expected) << "one apply, with the binding";

    mark = mouse->log().size();
    button("wireless_dpi_setting_btn")->click();
    button("wireless_dpi_btn_6")->click();  // a change not yet applied is dropped too
    ASSERT_TRUE(test::answerModal<CMsgWnd>([](CMsgWnd& box) { box.done(CMsgWnd::kConfirmed); },
                                           [&] { button("wireless_reset_profile_btn")->click(); }));
    // Profile 1 is selected first, with an apply of its own, then the reset sends everything.
    waitForApplies(2, fullDownload);

    saved = savedRecord();
    const auto defaults = std::make_unique<DeviceConfig>(*saved);
    applyDefaults(*defaults);
    EXPECT_EQ(test::changedBytes(*defaults, *saved), "");
    EXPECT_EQ(saved->activeProfile, 0);
    EXPECT_TRUE(button("wireless_profile_1_btn")->isChecked());
    EXPECT_EQ(sentSince(mark), joined(readHexGroup(kApplies, "a reset"), readHexLines("full_download_defaults.hex")));

    // The mouse's DPI button: the switch shows without covering the window or taking its focus.
    // Where a program can place its windows, the popup sits in the corner of the screen and is
    // never activated (the popup window's own tests); on Wayland the compositor would place a
    // window wherever it likes and may focus it, so no window opens there: the desktop's
    // notification shows the switch.
    mouse->command("dpi");
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray->dpiPopup() || !notices.empty(); }, qx4::test::kPatienceMs));
    if (QWidget* popup = tray->dpiPopup()) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(popup, qx4::test::kPatienceMs));
    }
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window.get() || !other->isVisible()) continue;
        ASSERT_TRUE(CDPIMsg::placeable()) << other->objectName().toStdString() << " is on screen wherever the "
                                          << "compositor put it";
        EXPECT_EQ(other->geometry(), CDPIMsg::geometryFor(QGuiApplication::primaryScreen()->availableGeometry()));
    }
    if (!CDPIMsg::placeable()) {
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_TRUE(notices[0].passing);
        EXPECT_TRUE(notices[0].body.endsWith(QLatin1String(" DPI"))) << notices[0].body.toStdString();
    }

    // Logging out ends the program in the middle of an apply: the mouse has the new profile, so the
    // file must have it too, or the next start's full download would take it back. The receiver's
    // 400 ms pace keeps the apply running. Losing the cable marks the mouse asleep until it says
    // otherwise, and the two links tell the program on their own threads, so the wake is sent only
    // once the removal has been taken.
    const PresenceState& presence = session->presence();
    mouse->command("cable unplug");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !presence.present(Link::cable); }, qx4::test::kPatienceMs));
    mouse->command("wake");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presence.mouseAsleep.load() == 0; }, qx4::test::kPatienceMs));
    const std::size_t before = mouse->log().size();
    button("wireless_profile_3_btn")->click();
    QCoreApplication::processEvents();
    ASSERT_TRUE(mouse->waitForReports(static_cast<int>(before + 1)));
    shutdown();

    EXPECT_EQ(mouse->log().at(before).bytes[0], 0x0C);
    EXPECT_EQ(mouse->log().at(before).bytes[2], 3) << "the mouse switched to profile 3";
    EXPECT_EQ(savedRecord()->activeProfile, 2);
}

}  // namespace
}  // namespace qx4::gui
