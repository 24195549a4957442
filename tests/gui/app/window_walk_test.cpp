// One walk over every window and dialog, in English and in every translation, with each state a
// user meets; in each, every widget that shows gets every check:
// - its text fits: each label, button, combo box item and entry is measured with the control's own
//   font against the room its style leaves for text, on every page of the stacks among them; a
//   text may be cut only with the whole of it in its tool tip;
// - a control that takes input has a name for a screen reader;
// - on a page of the main window, Tab from the tab bar reaches every control that takes input,
//   each once and in reading order, then Apply; every panel lies within the page.
// ctest runs the walk also at 200 % and with full hinting, where texts come out widest.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QStyleOption>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <span>

#include "core/device/dpi_steps.h"
#include "gui/app/about_wnd.h"
#include "gui/app/dpi_msg.h"
#include "gui/app/tray_absence.h"
#include "gui/common/control_lookup.h"
#include "gui/common/hook_table.h"
#include "gui/common/msg_wnd.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/profile_target.h"
#include "gui/follow/rules_wnd.h"
#include "gui/macro/macro_step_list.h"
#include "gui/pages/dpi_color_wnd.h"
#include "tests/support/app_harness.h"
#include "tests/support/patience.h"

namespace qx4::gui::test {
namespace {

// Qt fills a control's style option in a protected member; a using-declaration reaches it.
struct ComboOption : QComboBox { using QComboBox::initStyleOption; };
struct EditOption : QLineEdit { using QLineEdit::initStyleOption; };

// The tool tip the widget shows when the pointer rests on it.
QString shownToolTip(QWidget* widget) {
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), widget->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(widget, &help);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
}

QString nameOf(const QWidget* widget) {
    const QWidget* named = widget;
    while (named && named->objectName().isEmpty()) named = named->parentWidget();
    return (named ? named->objectName() : QString()) + QLatin1Char('/') + QLatin1String(widget->metaObject()->className());
}

bool hasInteractiveRole(const QAccessibleInterface& control) {
    using enum QAccessible::Role;
    static const QSet<QAccessible::Role> roles{PushButton, CheckBox, RadioButton, Slider,  ComboBox,  EditableText,
                                               SpinBox,    List,     ListItem,    PageTab, ButtonMenu};
    return roles.contains(control.role());
}

// Of a group of exclusive buttons Tab stops at the chosen one only; the arrows move in the group.
bool unchosenInAGroup(const QWidget* widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    if (!button || !button->isCheckable() || button->isChecked()) return false;
    return button->autoExclusive() || (button->group() && button->group()->exclusive());
}

// A row of like controls side by side is one Tab stop (tab_order.h); its others are reached by the
// arrows.
bool offItsRowsStop(const QWidget* widget) {
    return widget->property("qx4rowmember").toBool() && !(widget->focusPolicy() & Qt::TabFocus);
}

// Rows of columns read from the top: their stops in the order of their rows.
void readRowsFromTheTop(const QWidget* page, QStringList& names) {
    std::vector<qsizetype> places;
    std::vector<const QWidget*> members;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const auto* widget = page->findChild<const QWidget*>(names[i]);
        if (widget && widget->property("qx4rowmember").toBool()) {
            places.push_back(i);
            members.push_back(widget);
        }
    }
    std::ranges::stable_sort(members, {}, [page](const QWidget* widget) { return widget->mapTo(page, QPoint()).y(); });
    for (std::size_t k = 0; k < places.size(); ++k) names[places[k]] = members[k]->objectName();
}

class WindowChecks {
public:
    explicit WindowChecks(QString situation) : situation_(std::move(situation)) {}

    void check(QWidget* root, const QString& state) {
        state_ = state;
        for (int round = 0; round < 4; ++round) QCoreApplication::processEvents();  // pending layouts settle
        QList<QWidget*> widgets = root->findChildren<QWidget*>();
        widgets << root;
        for (QWidget* widget : widgets) {
            if (!widget->isVisible() || widget->size().isEmpty() || (widget != root && widget->isWindow())) continue;
            if (auto* label = qobject_cast<QLabel*>(widget)) checkText(label, label->text());
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) checkText(button, button->text());
            if (auto* combo = qobject_cast<QComboBox*>(widget)) checkCombo(combo);
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                for (const QString& text : {edit->text(), edit->placeholderText()}) checkText(edit, text);
            }
            // A combo box's drop-down list is Qt's own, read out through its combo box.
            if (!widget->inherits("QComboBoxListView")) checkNamed(QAccessible::queryAccessibleInterface(widget), widget, QString());
        }
        // Every page of the outermost stacks, without a signal, so that no page reacts to the visit.
        for (QStackedWidget* stack : root->findChildren<QStackedWidget*>()) {
            QWidget* up = stack->parentWidget();
            while (up != root && !qobject_cast<QStackedWidget*>(up)) up = up->parentWidget();
            if (up != root || !stack->isVisible()) continue;
            const int shown = stack->currentIndex();
            const QSignalBlocker blocker(stack);
            for (int index = 0; index < stack->count(); ++index) {
                stack->setCurrentIndex(index);
                check(stack->currentWidget(), state);
            }
            stack->setCurrentIndex(shown);
        }
    }

    // The main window: every widget, then the page it shows: its panels and Tab through it.
    void checkWindow(QWidget& window, const QString& state) {
        check(&window, state);
        for (const PageKind& kind : pageTable()) {
            auto* page = window.findChild<QWidget*>(QLatin1String(kind.objectName));
            if (!page || !page->isVisible()) continue;
            checkTabOrder(window, *page, kind);
            // A panel wider than its page loses its right border and corners to the page's edge.
            for (const QFrame* panel : page->findChildren<QFrame*>()) {
                const QRect place(panel->mapTo(page, QPoint()), panel->size());
                if (panel->property("qx4role").toString() != QLatin1String("panel") || !panel->isVisible()) continue;
                if (!page->rect().contains(place)) {
                    report(panel, QString(),
                           QStringLiteral("ends at %1, its page at %2").arg(place.right()).arg(page->rect().right()));
                }
            }
        }
    }

    void expectPasses() const {
        EXPECT_TRUE(problems_.isEmpty()) << QStringList(problems_.values()).join(QLatin1Char('\n')).toStdString();
    }

private:
    // A problem is told once, with the first state it was seen in.
    void report(const QWidget* widget, const QString& text, const QString& why) {
        const QString problem = QStringLiteral("%1 \"%2\" %3").arg(nameOf(widget), text, why);
        if (!problems_.contains(problem)) problems_.insert(problem, QStringLiteral("%1, %2: %3").arg(situation_, state_, problem));
    }

    // `control` and its parts (such as a list's rows) when it acts on input, by its role or by taking
    // the focus from Tab, must have a name for a screen reader.
    void checkNamed(QAccessibleInterface* control, const QWidget* widget, const QString& part) {
        if (!control || !control->isValid()) return;
        const auto* own = qobject_cast<const QWidget*>(control->object());
        const bool actsOnInput = hasInteractiveRole(*control) || (own && (own->focusPolicy() & Qt::TabFocus));
        if (actsOnInput && control->text(QAccessible::Name).trimmed().isEmpty()) {
            report(widget, part, QStringLiteral("has no name for a screen reader"));
        }
        for (int i = 0; i < control->childCount(); ++i) {
            QAccessibleInterface* child = control->child(i);
            if (child && !child->object()) checkNamed(child, widget, part + QStringLiteral("#%1").arg(i));
        }
    }

    // From the tab bar (one stop, at the page shown), Tab reaches every control of the page that
    // takes input, each once and in the order of its layout, then Apply.
    void checkTabOrder(QWidget& window, QWidget& page, const PageKind& kind) {
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window, qx4::test::kPatienceMs)) {
            return report(&window, state_, QStringLiteral("never became active"));
        }
        const auto round = [&] {
            window.findChild<QWidget*>(QLatin1String(kind.tabButton))->setFocus(Qt::TabFocusReason);
            QStringList visited;
            while (visited.size() < 100 && !visited.endsWith(QStringLiteral("wireless_apply_btn"))) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                visited << QApplication::focusWidget()->objectName();
            }
            return visited;
        };
        // The focus entering a list chooses its first row, which the page answers by enabling what
        // works on it: the second round goes through the page as the first one left it.
        round();
        const QStringList visited = round();
        QStringList expected;
        for (QWidget* widget : page.findChildren<QWidget*>()) {
            const QAccessibleInterface* control = QAccessible::queryAccessibleInterface(widget);
            if (control && hasInteractiveRole(*control) && widget->isVisible() && widget->isEnabled() &&
                !unchosenInAGroup(widget) && !offItsRowsStop(widget)) {
                expected << widget->objectName();
            }
        }
        readRowsFromTheTop(&page, expected);
        expected << QStringLiteral("wireless_apply_btn");
        if (visited != expected) {
            report(&page, visited.join(QLatin1Char(' ')), QStringLiteral("is the Tab order, not: ") + expected.join(QLatin1Char(' ')));
        }
    }

    // What a control needs to show its text whole: a label's text, wrapped at its width if it wraps,
    // an entry's or a combo box's in its text field (Qt keeps 2 pixels clear on either side in an
    // entry), a button's size hint. `cut`: the control may cut the text when its tool tip shows the
    // whole of it.
    void checkText(QWidget* widget, const QString& text, bool cut = false) {
        if (text.isEmpty()) return;
        QRect room = widget->contentsRect();
        QSize need = widget->sizeHint();
        const QFontMetrics metrics(widget->font());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (!label->pixmap().isNull()) return;
            room.adjust(label->margin(), label->margin(), -label->margin(), -label->margin());
            if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
                QTextDocument document;
                document.setDefaultFont(label->font());
                document.setDocumentMargin(0);
                document.setHtml(text);
                if (label->wordWrap()) document.setTextWidth(room.width());
                need = QSize(qCeil(document.idealWidth()), qCeil(document.size().height()));
            } else {
                const int wrap = label->wordWrap() ? Qt::TextWordWrap : 0;
                need = metrics.boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX), wrap, text).size();
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QStyleOptionFrame option;
            (edit->*&EditOption::initStyleOption)(&option);
            const QMargins margins = edit->textMargins();
            room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                       .adjusted(margins.left() + 2, margins.top(), -margins.right() - 2, -margins.bottom());
            need = metrics.size(0, text);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QStyleOptionComboBox option;
            (combo->*&ComboOption::initStyleOption)(&option);
            room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
            need = metrics.size(0, text);
        } else {
            room.setSize(widget->size());
        }
        if ((need.width() > room.width() || need.height() > room.height()) && !(cut && shownToolTip(widget) == text)) {
            report(widget, text,
                   QStringLiteral("needs %1 x %2, has %3 x %4").arg(need.width()).arg(need.height()).arg(room.width()).arg(room.height()));
        }
        if (text.endsWith(QChar(0x2026)) && !qobject_cast<QComboBox*>(widget) && !widget->toolTip().startsWith(text.chopped(1))) {
            report(widget, text, QStringLiteral("is cut without the whole text in its tool tip"));
        }
    }

    // Any item may become the current one, and the placeholder shows while none is: the program's
    // own text, which must fit uncut.
    void checkCombo(QComboBox* combo) {
        const QSignalBlocker blocker(combo);
        const int current = combo->currentIndex();
        for (int item = combo->placeholderText().isEmpty() ? 0 : -1; item < combo->count(); ++item) {
            combo->setCurrentIndex(item);
            checkText(combo, item < 0 ? combo->placeholderText() : combo->itemText(item), item >= 0);
        }
        combo->setCurrentIndex(current);
    }

    QString situation_;
    QString state_;
    QMap<QString, QString> problems_;
};

// A device that stays as it is, for the rules window.
class StillTarget final : public ProfileTarget {
public:
    int activeProfile() const override { return 0; }
    void selectProfile(int, Cause) override {}
    bool applyRunning() const override { return false; }
    void requestApply() override {}
    DeviceState deviceState() const override { return {}; }
};

// English and every translation beside it ("de" for lan_de.xml).
std::vector<std::string> shownLanguages() {
    std::vector<std::string> languages{"en"};
    for (const auto& file : std::filesystem::directory_iterator(QX4_BIN_DIR "/res")) {
        const std::string name = file.path().filename().string();
        if (name.starts_with("lan_") && name.ends_with(".xml")) languages.push_back(name.substr(4, name.size() - 8));
    }
    return languages;
}

class WindowWalk : public testing::TestWithParam<std::string> {
protected:
    static QString language() { return QString::fromStdString(GetParam()); }
    void SetUp() override {
        clearMissedControls();
        ASSERT_TRUE(ResourceManager::instance().loadLanguageFor(QLocale(language())));
    }
    // No window built as the program builds it may have looked up a control its layout lacks.
    void TearDown() override {
        EXPECT_EQ(missedControls().join(", ").toStdString(), "");
        ResourceManager::instance().loadLanguageFor(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    template <typename Dialog>
    void checkModal(const char* state, const std::function<void()>& open) {
        answerModal<Dialog>([&](Dialog& dialog) { check.check(&dialog, QLatin1String(state)); dialog.reject(); }, open);
    }

    WindowChecks check{QStringLiteral("%1 at %2 %").arg(language()).arg(qRound(qApp->devicePixelRatio() * 100))};
};

// The window with a mouse on every page, with the longest names on the rows, the editor open, a
// macro with a long name and the widest key, the longest a macro can take; without the hook
// library the key editor says so instead of asking for a key.
TEST_P(WindowWalk, EveryPageAndEditorPanel) {
    for (const bool keyCapture : {true, false}) {
        AppHarness app({.realButtonPage = true, .hookLibraryFile = keyCapture ? kHookLibraryFile : "qx4_no_such_hook.so"});
        ASSERT_EQ(app.window().capture().available(), keyCapture);
        const QFontMetrics metrics(app.window().font());
        std::uint8_t widest = 0;
        for (int code = 0; code < 256; ++code) {
            const auto key = static_cast<std::uint8_t>(code);
            if (metrics.horizontalAdvance(stepKeyName(key)) > metrics.horizontalAdvance(stepKeyName(widest))) widest = key;
        }
        const std::string macro = "Waffenwechsel schnell 2";
        const std::string key = QStringLiteral("0x%1").arg(widest, 2, 16, QLatin1Char('0')).toStdString();
        app.edit({"macro", "add", macro});
        std::string steps = key + " down 1252";  // a thousands separator in the list
        for (int press = 0; press < 22; ++press) steps += ", " + key + " up 65535, " + key + " down 65535";
        app.edit({"macro", "steps", macro, steps + ", " + key + " up"});
        app.edit({"bind", "4", "easy_aim"});  // the longest function name
        app.edit({"bind", "5", "macro:" + macro});
        app.edit({"bind", "6", "Ctrl+Shift+Alt+Win+Page Up"});
        for (const PageKind& kind : keyCapture ? pageTable() : std::span<const PageKind>()) {
            app.click(kind.tabButton);
            check.checkWindow(app.window(), QLatin1String(kind.objectName));
        }
        app.click(findPageKind("WirelessButton")->tabButton);
        for (const char* row : {"wireless_button5_btn", "wireless_button6_btn"}) {
            app.click(row);
            ASSERT_TRUE(app.control<QWidget>("wireless_button_type_combo")->isVisible()) << "the editor opened";
            check.checkWindow(app.window(), QStringLiteral("editor of %1, key capture %2").arg(row).arg(keyCapture));
            app.click("wireless_button_cancel_btn");
        }
        if (!keyCapture) break;
        app.click(findPageKind("WirelessMacro")->tabButton);
        app.control<QListWidget>("wireless_macro_list")->setCurrentRow(0);
        AppHarness::deliverMessages();
        check.checkWindow(app.window(), QStringLiteral("macro chosen"));
        app.click("wireless_macro_insert_mouse_btn");
        check.check(&app.window(), QStringLiteral("mouse buttons offered"));
        app.page().showStatus(ResourceManager::instance().text(QStringLiteral("apply_failed_text")).arg(12).arg(36), true);
        check.check(&app.window(), QStringLiteral("status"));
    }
    check.expectPasses();
}

// The no-mouse page and its warning; the longest text of the language in the message box, the
// about box, the rules window with its Wayland note, the boxes of a desktop without a tray, the
// colour dialog and the popups with their widest texts.
TEST_P(WindowWalk, NoMousePageAndDialogs) {
    {
        AccessCheck closed;
        closed.access.state = DeviceAccess::State::notPermitted;
        closed.fix.command = "sudo udevadm control --reload && sudo udevadm trigger";
        AppHarness app({.receiverPresent = false, .access = closed});
        checkModal<CMsgWnd>("no-mouse warning", [&] { app.clickTray(QSystemTrayIcon::Trigger); });
        app.window().show();
        check.check(app.control<QWidget>("no_device_page"), QStringLiteral("no mouse"));
    }
    const ResourceManager& texts = ResourceManager::instance();
    const auto keys = readLanguageFile(texts.resourcePath(QStringLiteral("lan.xml"))).value().keys();
    const QString longest = *std::max_element(keys.cbegin(), keys.cend(), [&](const QString& a, const QString& b) {
        return texts.text(a).size() < texts.text(b).size();
    });
    checkModal<CMsgWnd>("message box", [&] { runMessageBox(nullptr, QStringLiteral("warning_title_text"), longest); });
    checkModal<CMsgWnd>("three choices", [] {
        CMsgWnd box(nullptr, QStringLiteral("pending_title_text"), QStringLiteral("pending_choices_text"));
        box.offerChoices(QStringLiteral("pending_apply_text"), QStringLiteral("pending_keep_text"),
                         QStringLiteral("pending_discard_text"));
        box.showModal();
    });
    checkModal<CAboutWnd>("about box", [] { CAboutWnd(nullptr).showModal(); });
    qx4::test::TempFolder data;
    qx4::test::ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
    qx4::test::ScopedEnv wayland("XDG_SESSION_TYPE", std::string("wayland"));
    StillTarget target;
    FocusFollower follower(target, nullptr);
    follower.changeRules({true, 3, {{"steam_app_730", 1}, {"org.kde.dolphin", 4}}});
    checkModal<RulesWnd>("rules window", [&] { RulesWnd(nullptr, follower).showModal(); });
    checkModal<CMsgWnd>("quit without a tray", [] { confirmQuitWithoutTray(nullptr); });
    const std::unique_ptr<CMsgWnd> notice(tellHowToGetATrayOnce(nullptr));
    ASSERT_TRUE(notice);
    check.check(notice.get(), QStringLiteral("how to get a tray"));
    CDpiColorWnd colors;
    colors.show();
    check.check(&colors, QStringLiteral("colour dialog"));
    for (const QString& shown : {texts.text(QStringLiteral("dpi_popup_text")).arg(highestDpi()),
                                 texts.text(QStringLiteral("profile_popup_text")).arg(5)}) {
        CDPIMsg popup(nullptr, shown);
        popup.show();
        check.check(&popup, QStringLiteral("popup"));
    }
    check.expectPasses();
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowWalk, testing::ValuesIn(shownLanguages()),
                         [](const testing::TestParamInfo<std::string>& language) { return language.param; });

}  // namespace
}  // namespace qx4::gui::test
