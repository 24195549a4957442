// A macro recorded from the whole desktop, end to end: keys typed and a click made in another
// client's window on a private X server become the steps of a macro, which button 6 then plays
// three times; the clicks on the program's own buttons that stop, resume and save the recording
// do not. What the virtual mouse receives is checked against the wire format written out here,
// from the saved macro file, not against the program's own encoder.
// Then the button editor's key field against the same hook, where each key reaches the program
// twice: through the hook's own connection and as the window's key event. Typed as a user types,
// Space (the field listens), F5 and then Enter bind F5 each time, Enter typed while it listens is
// captured, and Ctrl+Shift+C ticks Ctrl and Shift beside the key C. This needs a real X server for the hook to hear the desktop: a
// private Xvfb when it is installed, else the offscreen platform, where it skips itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/macro/macro_store.h"
#include "core/vocab/function_catalogue.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/key_capture_field.h"
#include "tests/e2e/pages/window_against_mouse.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/patience.h"
#include "tests/support/program_resources.h"
#include "tests/support/x_other_window.h"
#include "tests/support/x_session.h"

namespace qx4::gui {
namespace {

using test::Bytes;
using qx4::test::readHexGroup;
using qx4::test::Reports;

constexpr std::size_t kMacroReportSize = 129;

// The macro report as the mouse reads it: 09 81, slot, repeat mode, three parameter bytes, loops,
// then at byte 28 the count of (delay, code) pairs from byte 29. A pair's delay is the pause before
// its step in units of 2 ms, bit 7 marking a release; a pause over 254 ms first takes an extra pair
// of whole 200 ms (code 3), at most ten of them.
Bytes macroReportOf(const MacroRecord& macro, std::uint8_t slot, std::uint8_t repeatMode, std::uint8_t loops) {
    Bytes report(kMacroReportSize, 0);
    report[0] = 0x09;
    report[1] = 0x81;
    report[2] = slot;
    report[3] = repeatMode;
    report[7] = loops == 0 ? 1 : loops;
    std::size_t at = 29;
    int extraPairs = 0;
    for (int i = 0; i < macro.actionCount; ++i) {
        int pause = i == 0 ? 1 : macro.actions[static_cast<std::size_t>(i - 1)].delay;
        if (pause > 254) {
            if (extraPairs < 10) {
                report[at++] = static_cast<std::uint8_t>(pause / 200);
                report[at++] = 3;
                ++extraPairs;
            }
            pause %= 200;
        }
        if (pause == 0) pause = 1;
        const MacroAction& step = macro.actions[static_cast<std::size_t>(i)];
        report[at++] = static_cast<std::uint8_t>(pause / 2 | (step.kind == kMacroActionPress ? 0 : 0x80));
        report[at++] = step.code;
    }
    report[28] = static_cast<std::uint8_t>(macro.actionCount + extraPairs);
    return report;
}

QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

class MacroEndToEnd : public test::WindowAgainstMouse {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X server to record from";
        ASSERT_NO_FATAL_FAILURE(start(*test::defaultRecord(), "Hook.so"));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), qx4::test::kPatienceMs));
    }

    // A real click of the pointer, which the capture hears as well; as quick as a tool makes it,
    // so the capture may hear it before or after the program gets it.
    static void clickOnScreen(QWidget* widget) {
        const QPoint centre = widget->mapToGlobal(widget->rect().center());
        ASSERT_TRUE(qx4::test::xdotool(
            {"mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"}));
    }
    static bool settles(const std::function<bool()>& done) { return QTest::qWaitFor(done, qx4::test::kPatienceMs); }
    template <typename Control>
    Control* control(const char* name) {
        return window->findChild<Control*>(QString::fromLatin1(name));
    }

    // A real click, which also gives the window the keyboard.
    void openButtonSix() {
        clickOnScreen(button("wireless_button6_btn"));
        ASSERT_TRUE(settles([&] { return editor()->isVisible(); }));
    }
    static void type(const char* key) { ASSERT_TRUE(qx4::test::xdotool({"key", key})); }
    // Space asks the key field to listen; the key typed then is the key, taken once it is released.
    void typeIntoKeyField(const char* key, const QString& shown) {
        auto* field = window->findChild<KeyCaptureField*>();
        type("space");
        ASSERT_TRUE(settles([&] { return field->listening(); }));
        type(key);
        ASSERT_TRUE(settles([&] { return !field->listening(); }));
        EXPECT_EQ(keyField()->text(), shown);
    }
    QLineEdit* keyField() { return window->findChild<QLineEdit*>(QStringLiteral("wireless_keyboard_type_edit")); }
    int recordedSteps() { return control<QListWidget>("wireless_macro_action_list")->count(); }
    QWidget* editor() { return window->findChild<QWidget*>(QStringLiteral("wireless_button_function_hor")); }
    const ButtonBinding& buttonSix() { return session->record().profiles[0].buttons[5]; }
};

TEST_F(MacroEndToEnd, KeysTypedElsewhereBecomeAMacroThatButtonSixPlaysThreeTimesAndInTheKeyFieldItsKey) {
    button("wireless_macro_btn")->click();
    EXPECT_EQ(control<QLabel>("wireless_macro_capture_note")->text(), text("capture_desktop_text"));
    button("wireless_macro_add_btn")->click();
    button("wireless_record_delay_btn")->click();
    QAbstractButton* record = button("wireless_macro_record_btn");

    const auto recording = [&](bool on) {
        return settles([&] { return record->text() == text(on ? "stop_recording_text" : "start_recording_text"); });
    };
    clickOnScreen(record);
    ASSERT_TRUE(recording(true));
    qx4::test::OtherWindow typedInto;  // takes the focus the click gave the program
    ASSERT_TRUE(qx4::test::xdotool({"key", "a", "sleep", "0.3", "key", "b", "sleep", "0.12", "key", "c"}));
    ASSERT_TRUE(settles([&] { return recordedSteps() == 6; })) << recordedSteps();
    clickOnScreen(record);
    ASSERT_TRUE(recording(false));
    clickOnScreen(record);  // goes on after the last step
    ASSERT_TRUE(recording(true));
    // The other window lies in the corner the program's window leaves free.
    ASSERT_TRUE(qx4::test::xdotool({"mousemove", "40", "40"}));
    ASSERT_TRUE(settles([&] { return !record->underMouse(); }));
    ASSERT_TRUE(qx4::test::xdotool({"click", "1"}));
    ASSERT_TRUE(settles([&] { return recordedSteps() == 8; })) << recordedSteps();
    clickOnScreen(button("wireless_macro_save_btn"));
    ASSERT_TRUE(recording(false));
    EXPECT_EQ(typedInto.keyPresses(), 3) << "the other window still got every key";

    MacroList stored;
    ASSERT_EQ(loadMacros(stored).appended, 1u);
    const MacroRecord& macro = *macroAt(0, stored);
    ASSERT_EQ(macro.actionCount, 8) << "three keys and the click in the other window, each pressed and released, "
                                       "and none of the clicks on the program";
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(::testing::Message() << "step " << i);
        EXPECT_EQ(macro.actions[i].code, i < 6 ? 0x04 + i / 2 : 241) << "A, B, C in the order typed, the left button";
        EXPECT_EQ(macro.actions[i].kind, i % 2 == 0 ? kMacroActionPress : kMacroActionRelease);
    }
    // The pause after a step is the time between the server's events, as the other window saw them.
    const std::vector<std::uint64_t> times = typedInto.keyTimes();
    ASSERT_EQ(times.size(), 6u);
    for (const std::size_t step : {1u, 3u}) {
        EXPECT_NEAR(macro.actions[step].delay, static_cast<double>(times[step + 1] - times[step]), 1.0) << "step " << step;
    }

    button("wireless_button_btn")->click();
    button("wireless_button6_btn")->click();
    QCoreApplication::processEvents();
    control<QComboBox>("wireless_button_type_combo")->setCurrentIndex(static_cast<int>(FunctionGroup::macro));
    control<QComboBox>("wireless_macro_type_combo")->setCurrentIndex(0);
    control<QComboBox>("wireless_macro_repeat_mode_combo")->setCurrentIndex(0);
    auto* loops = control<QLineEdit>("wireless_loop_times_edit");
    // The other window took the keyboard, and without a window manager no click gives it back;
    // only a focused count is committed.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), qx4::test::kPatienceMs));
    loops->setFocus();
    loops->selectAll();
    QTest::keyClicks(loops, QStringLiteral("3"));
    QTest::keyClick(loops, Qt::Key_Return);  // commits the count and applies
    // The whole default record with the macro's report between the report rates and the buttons.
    Reports expected = readHexGroup("applies.hex", "button 6 of profile 1");
    expected.insert(expected.begin() + 1 + 5 * 3, macroReportOf(macro, 1, 0, 3));
    waitForApplies(1, expected.size());

    const auto saved = savedRecord();
    const ButtonBinding& bound = saved->profiles[0].buttons[5];
    ASSERT_EQ(bound.functionCode, 17);
    EXPECT_EQ(bound.macroLoopCount, 3);
    EXPECT_EQ(sentSince(fullDownload), expected);

    // Button six's key field, typed into once Space has asked it to listen.
    openButtonSix();
    control<QComboBox>("wireless_button_type_combo")->setCurrentIndex(static_cast<int>(FunctionGroup::keyboard));
    for (int attempt = 1; attempt <= 4; ++attempt) {
        SCOPED_TRACE(attempt);
        if (attempt > 1) openButtonSix();
        typeIntoKeyField("F5", QStringLiteral("F5"));
        type("Return");
        EXPECT_TRUE(settles([&] { return !editor()->isVisible(); })) << "Enter confirmed";
        EXPECT_EQ(buttonSix().keyCode, 0x3E) << "F5 stayed the key";
    }

    openButtonSix();
    typeIntoKeyField("Return", QStringLiteral("Enter"));
    EXPECT_TRUE(editor()->isVisible()) << "Enter was the key being captured";
    EXPECT_EQ(buttonSix().keyCode, 0x3E) << "nothing stored before OK";
    type("Return");
    EXPECT_TRUE(settles([&] { return !editor()->isVisible(); }));
    EXPECT_EQ(buttonSix().keyCode, 0x28) << "Enter is the key now";

    openButtonSix();
    typeIntoKeyField("ctrl+shift+c", QStringLiteral("C"));
    std::vector<bool> ticked;
    for (int n = 1; n <= 4; ++n) {
        auto* box = window->findChild<QCheckBox*>(QStringLiteral("wireless_check_key_%1").arg(n));
        ticked.push_back(box->isChecked());
        EXPECT_TRUE(box->isEnabled()) << "box " << n;
    }
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false}));
    type("Return");
    EXPECT_TRUE(settles([&] { return !editor()->isVisible(); })) << "Enter confirmed";
    EXPECT_EQ(buttonSix().keyCode, 0x06);
    EXPECT_EQ(buttonSix().modifierMask, 3);
}

}  // namespace
}  // namespace qx4::gui

int main(int argc, char** argv) {
    std::optional<qx4::test::XServer> server;  // outlives the application connected to it
    if (qx4::test::XServer::installed()) server.emplace();
    qputenv("QT_QPA_PLATFORM", server ? "xcb" : "offscreen");
    QApplication application(argc, argv);
    if (!qx4::gui::test::useProgramResources(application)) return 2;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
