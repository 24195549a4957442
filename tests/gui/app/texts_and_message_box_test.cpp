// The program's layouts (every control the code looks up is there, every control that takes input
// has a name for a screen reader, Tab goes through a page in reading order), and its message box's
// answers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QListWidget>
#include <QSet>
#include <QTest>
#include <QWidget>

#include "app_harness.h"
#include "gui/app/about_wnd.h"
#include "gui/common/control_lookup.h"
#include "gui/app/dpi_msg.h"
#include "gui/common/msg_wnd.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_table.h"

namespace qx4::gui::test {
namespace {

// Every window and page is built as the program builds it; none may have looked up a control its
// layout lacks (a renamed control would otherwise be silently left out).
TEST(Layouts, EveryControlTheProgramLooksUpIsInItsLayoutAndTheMessageBoxAnswers) {
    clearMissedControls();
    {
        const AppHarness app;
        for (const PageKind& kind : pageTable()) delete kind.create(nullptr, kind);
        const CMsgWnd box(nullptr, QStringLiteral("warning_title_text"), QStringLiteral("restore_text"));
        const CAboutWnd about(nullptr);
        const CDPIMsg popup(nullptr, QStringLiteral("800 DPI"));
        const CDpiColorWnd dialog(nullptr);
    }
    EXPECT_EQ(missedControls().join(", ").toStdString(), "");

    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    requireControl<QAbstractButton>(&window, "renamed_btn")->click();
    EXPECT_EQ(missedControls(), QStringList{"window/renamed_btn"});
    clearMissedControls();

    // The message box's answers: confirm gives 1, cancel or closing it from the window manager 0.
    for (const auto& [answer, result] : {std::pair{"confirm_btn", 1}, {"cancel_btn", 0}, {"", 0}}) {
        int given = -1;
        answerModal<CMsgWnd>([&](CMsgWnd& box) { *answer ? box.findChild<QAbstractButton*>(answer)->click() : box.reject(); },
                             [&] { given = runMessageBox(nullptr, "warning_title_text", "restore_text"); });
        EXPECT_EQ(given, result) << answer;
    }
}

bool hasInteractiveRole(const QAccessibleInterface& control) {
    using enum QAccessible::Role;
    static const QSet<QAccessible::Role> roles{PushButton, CheckBox, RadioButton, Slider,  ComboBox,  EditableText,
                                               SpinBox,    List,     ListItem,    PageTab, ButtonMenu};
    return roles.contains(control.role());
}

// "<where>[#part]" of `control` and its parts (such as a list's rows) when it acts on input, by its
// role or by taking the focus from Tab, yet has no name for a screen reader.
void collectUnnamed(QAccessibleInterface* control, const QString& where, QStringList& unnamed) {
    if (!control || !control->isValid()) return;
    const auto* widget = qobject_cast<const QWidget*>(control->object());
    const bool actsOnInput = hasInteractiveRole(*control) || (widget && (widget->focusPolicy() & Qt::TabFocus));
    if (actsOnInput && control->text(QAccessible::Name).trimmed().isEmpty()) unnamed << where;
    for (int i = 0; i < control->childCount(); ++i) {
        QAccessibleInterface* part = control->child(i);
        if (part && !part->object()) collectUnnamed(part, where + QStringLiteral("#%1").arg(i), unnamed);
    }
}

// The unnamed controls of a window. A combo box's drop-down list is Qt's own, read out through its
// combo box.
QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        if (widget->inherits("QComboBoxListView")) continue;
        const QString where =
            QStringLiteral("%1 (%2)").arg(widget->objectName(), QLatin1String(widget->metaObject()->className()));
        collectUnnamed(QAccessible::queryAccessibleInterface(widget), where, unnamed);
    }
    return unnamed;
}

// Of a group of exclusive buttons Tab stops at the chosen one only; the arrows move in the group.
bool unchosenInAGroup(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    if (!button || !button->isCheckable() || button->isChecked()) return false;
    return button->autoExclusive() || (button->group() && button->group()->exclusive());
}

// Every page with what it shows once the user is at work (a macro's steps, the button editor), and
// the dialogs the keyboard opens, name each control that takes input for a screen reader. From the
// tab bar (one stop, at the page shown), Tab reaches every control of a page that takes input,
// each once and in the order of its layout (reading order), then Apply.
TEST(Layouts, EveryControlThatTakesInputHasANameForAScreenReaderAndTabVisitsThemInReadingOrder) {
    AppHarness app({.realButtonPage = true});
    app.edit({"macro", "add", "Reload"});
    app.edit({"macro", "steps", "Reload", "A down 20, A up"});
    app.control<QListWidget>("wireless_macro_list")->setCurrentRow(0);
    app.click("wireless_button6_btn");
    ASSERT_TRUE(app.control<QWidget>("wireless_button_function_hor")->isVisibleTo(app.control<QWidget>("wireless_button_tab")));
    QStringList unnamed = unnamedControls(&app.window());
    CMsgWnd box(nullptr, QStringLiteral("pending_title_text"), QStringLiteral("pending_choices_text"));
    box.offerChoices(QStringLiteral("pending_apply_text"), QStringLiteral("pending_keep_text"),
                     QStringLiteral("pending_discard_text"));
    CAboutWnd about(nullptr);
    CDpiColorWnd dialog(nullptr);
    for (QWidget* window : std::initializer_list<QWidget*>{&box, &about, &dialog}) unnamed << unnamedControls(window);
    EXPECT_EQ(unnamed.join(QStringLiteral("\n")).toStdString(), "");

    app.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.window()));
    for (const PageKind& kind : pageTable()) {
        auto* tab = app.control<QAbstractButton>(kind.tabButton);
        tab->click();
        QStringList expected;
        for (QWidget* widget : app.control<QWidget>(kind.objectName)->findChildren<QWidget*>()) {
            const QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
            if (control && hasInteractiveRole(*control) && widget->isVisible() && widget->isEnabled() &&
                !unchosenInAGroup(widget)) {
                expected << widget->objectName();
            }
        }
        expected << QStringLiteral("wireless_apply_btn");
        tab->setFocus(Qt::TabFocusReason);
        QStringList visited;
        while (visited.size() < 2 * expected.size() && !visited.endsWith(QStringLiteral("wireless_apply_btn"))) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        EXPECT_EQ(visited.join(QLatin1Char(' ')).toStdString(), expected.join(QLatin1Char(' ')).toStdString())
            << kind.objectName;
    }
}

}  // namespace
}  // namespace qx4::gui::test
