// The button editor's key field against the whole-desktop hook on a private X server, where each
// key reaches the program twice: through the hook's own connection and as the window's key event.
// Typed as a user types, F5 and then Enter bind F5 every time, Enter typed alone is captured, and
// Ctrl+Shift+C ticks Ctrl and Shift beside the key C.
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <string>
#include <vector>

#include "core/vocab/function_catalogue.h"
#include "tests/e2e/pages/window_against_mouse.h"
#include "tests/support/x_session.h"

namespace qx4::gui {
namespace {

class KeyFieldEndToEnd : public test::WindowAgainstMouse {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "no X server for the hook";
        start(*test::defaultRecord(), "Hook.so");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        button("wireless_button_btn")->click();
    }

    // A real click, which also gives the window the keyboard.
    void openButtonSix() {
        QWidget* row = button("wireless_button6_btn");
        const QPoint centre = row->mapToGlobal(row->rect().center());
        ASSERT_TRUE(qx4::test::xdotool(
            {"mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"}));
        ASSERT_TRUE(QTest::qWaitFor([&] { return editor()->isVisible(); }));
    }
    static void type(const char* key) {
        ASSERT_TRUE(qx4::test::xdotool({"key", key}));
        QTest::qWait(120);
    }
    void chooseKeyboardGroup() {
        window->findChild<QComboBox*>(QStringLiteral("wireless_button_type_combo"))
            ->setCurrentIndex(static_cast<int>(FunctionGroup::keyboard));
    }
    QWidget* editor() { return window->findChild<QWidget*>(QStringLiteral("wireless_button_function_hor")); }
    const ButtonBinding& buttonSix() { return window->session().record().profiles[0].buttons[5]; }
};

TEST_F(KeyFieldEndToEnd, FiveThenEnterBindsFiveEveryTimeAndEnterAloneIsCaptured) {
    openButtonSix();
    chooseKeyboardGroup();
    for (int attempt = 1; attempt <= 12; ++attempt) {
        SCOPED_TRACE(attempt);
        if (attempt > 1) openButtonSix();
        type("F5");
        type("Return");
        EXPECT_FALSE(editor()->isVisible()) << "Enter confirmed";
        EXPECT_EQ(buttonSix().keyCode, 0x3E) << "F5 stayed the key";
    }

    openButtonSix();
    type("Return");
    EXPECT_TRUE(editor()->isVisible()) << "Enter was the key being captured";
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("wireless_keyboard_type_edit"))->text(),
              QStringLiteral("Enter"));
    EXPECT_EQ(buttonSix().keyCode, 0x3E) << "nothing stored before OK";
}

TEST_F(KeyFieldEndToEnd, CtrlShiftCIsTakenAsPressedAndTheBoxesStayEditable) {
    openButtonSix();
    chooseKeyboardGroup();
    type("ctrl+shift+c");
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("wireless_keyboard_type_edit"))->text(),
              QStringLiteral("C"));
    std::vector<bool> ticked;
    for (int n = 1; n <= 4; ++n) {
        auto* box = window->findChild<QCheckBox*>(QStringLiteral("wireless_check_key_%1").arg(n));
        ticked.push_back(box->isChecked());
        EXPECT_TRUE(box->isEnabled()) << "box " << n;
    }
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false}));
    type("Return");
    EXPECT_FALSE(editor()->isVisible()) << "Enter confirmed";
    EXPECT_EQ(buttonSix().keyCode, 0x06);
    EXPECT_EQ(buttonSix().modifierMask, 3);
}

}  // namespace
}  // namespace qx4::gui
