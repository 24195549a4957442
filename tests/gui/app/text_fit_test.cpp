// Every text the program shows fits its control, in English and in every translation: each label,
// button, check box, combo box item, entry and list entry of every page, editor panel and dialog
// is measured with the control's own font against the room its style leaves for text. A text cut
// with "…" must carry the whole text in its tool tip, and a list entry that does not fit must be
// cut at its end. The checks walk whatever widgets there are, so controls added later are
// measured too; buttons are also held to one rule of letter case.
//
// ctest runs these tests a second time at QT_SCALE_FACTOR=2 (app_test_text_fit_200). Sizes are
// logical pixels at any scale, but once Qt scales it lays fonts out without hinting, and where the
// desktop hints fully a text's width at 100 % differs from its width scaled. Every factor other
// than 1 lays out alike, so 1 and 2 stand for 125 % as well.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "app_harness.h"
#include "core/commands/edit_command.h"
#include "core/device/dpi_steps.h"
#include "core/window_messages.h"
#include "gui/app/about_wnd.h"
#include "gui/app/hook_table.h"
#include "gui/app/dpi_msg.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"
#include "gui/macro/macro_step_list.h"
#include "gui/pages/dpi_color_wnd.h"
#include "gui/pages/page_table.h"

namespace qx4::gui::test {
namespace {

constexpr std::uintptr_t kTrayIcon = CMainWnd::kTrayIconId;

// Qt measures a control's text room from its style option, which the control fills in a
// protected member; a public using-declaration reaches it without touching the object's type.
struct PushButtonOption : QPushButton {
    using QPushButton::initStyleOption;
};
struct CheckBoxOption : QCheckBox {
    using QCheckBox::initStyleOption;
};
struct RadioButtonOption : QRadioButton {
    using QRadioButton::initStyleOption;
};
struct ComboBoxOption : QComboBox {
    using QComboBox::initStyleOption;
};
struct LineEditOption : QLineEdit {
    using QLineEdit::initStyleOption;
};
struct ItemViewOption : QAbstractItemView {
    using QAbstractItemView::initViewItemOption;
};
struct DelegateOption : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

constexpr QChar kEllipsis(0x2026);

// A paint device that notes the texts painted on it, as its paint engine is asked to draw them.
class TextRecorder final : public QPaintDevice {
public:
    explicit TextRecorder(QSize size) : size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    QStringList texts() const { return engine_.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class Engine final : public QPaintEngine {
    public:
        Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
        bool begin(QPaintDevice* /*device*/) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& /*state*/) override {}
        void drawPixmap(const QRectF& /*r*/, const QPixmap& /*pixmap*/, const QRectF& /*source*/) override {}
        void drawPolygon(const QPointF* /*points*/, int /*count*/, PolygonDrawMode /*mode*/) override {}
        void drawPath(const QPainterPath& /*path*/) override {}
        void drawTextItem(const QPointF& /*at*/, const QTextItem& item) override { texts << item.text(); }
        Type type() const override { return QPaintEngine::User; }
        QStringList texts;
    };

    mutable Engine engine_;
    QSize size_;
};

// The control's name, or its nearest named parent's and its class.
QString nameOf(const QWidget* widget) {
    if (!widget->objectName().isEmpty()) return widget->objectName();
    const QWidget* named = widget->parentWidget();
    while (named && named->objectName().isEmpty()) named = named->parentWidget();
    return (named ? named->objectName() : QString()) + QStringLiteral("/") + QLatin1String(widget->metaObject()->className());
}

// Collects the texts that do not fit, each with where it was seen.
class FitCheck {
public:
    explicit FitCheck(QString situation) : situation_(std::move(situation)) {}

    // The widgets under root that show now, and the other pages of every stack among them; a
    // misfit is told once, with the first state it was seen in.
    void check(QWidget* root, const QString& state) {
        state_ = state;
        check(root);
    }

    const QStringList& misfits() const { return misfits_; }

private:
    void check(QWidget* root) {
        for (int round = 0; round < 4; ++round) QCoreApplication::processEvents();  // pending layouts settle
        QList<QWidget*> widgets = root->findChildren<QWidget*>();
        widgets << root;
        for (QWidget* widget : widgets) {
            if (!widget->isVisible() || widget->size().isEmpty()) continue;
            if (widget != root && widget->isWindow()) continue;  // a dialog or tool tip of its own
            if (auto* label = qobject_cast<QLabel*>(widget)) checkLabel(label);
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) checkButton(button);
            if (auto* button = qobject_cast<QPushButton*>(widget)) checkCase(button);
            if (auto* combo = qobject_cast<QComboBox*>(widget)) checkCombo(combo);
            if (auto* edit = qobject_cast<QLineEdit*>(widget)) checkEdit(edit);
            if (auto* view = qobject_cast<QAbstractItemView*>(widget)) checkEntries(view);
        }
        for (QStackedWidget* stack : root->findChildren<QStackedWidget*>(Qt::FindDirectChildrenOnly)) {
            checkEveryPage(stack);
        }
        for (QWidget* child : root->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<QStackedWidget*>(child)) checkStacksUnder(child);
        }
    }

    void checkStacksUnder(QWidget* widget) {
        for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (auto* stack = qobject_cast<QStackedWidget*>(child)) {
                checkEveryPage(stack);
            } else {
                checkStacksUnder(child);
            }
        }
    }

    // The pages the program has not shown yet, as the stack would show them; the page shown
    // returns after, without a signal, so that no page reacts to the visit.
    void checkEveryPage(QStackedWidget* stack) {
        if (!stack->isVisible()) return;
        const int shown = stack->currentIndex();
        const QSignalBlocker blocker(stack);
        for (int index = 0; index < stack->count(); ++index) {
            stack->setCurrentIndex(index);
            check(stack->currentWidget());
        }
        stack->setCurrentIndex(shown);
    }

    void report(const QWidget* widget, const QString& text, const QString& why) {
        const QString misfit = QStringLiteral("%1 \"%2\" %3").arg(nameOf(widget), text, why);
        if (seen_.contains(misfit)) return;
        seen_ << misfit;
        misfits_ << QStringLiteral("%1, %2: %3").arg(situation_, state_, misfit);
    }

    void checkRoom(const QWidget* widget, const QString& text, QSize need, QSize room) {
        if (need.width() > room.width() || need.height() > room.height()) {
            report(widget, text,
                   QStringLiteral("needs %1 x %2, has %3 x %4")
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height()));
        }
        if (text.endsWith(kEllipsis) && !qobject_cast<const QComboBox*>(widget) &&
            !widget->toolTip().startsWith(text.chopped(1))) {
            report(widget, text, QStringLiteral("is cut without the whole text in its tool tip"));
        }
        // A control the layout pushed out of its parent is cut by the parent's edge.
        for (const QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
            if (qobject_cast<const QAbstractScrollArea*>(up->parentWidget())) break;  // a viewport scrolls
            const QRect place(widget->mapTo(up, QPoint(0, 0)), widget->size());
            if (!up->rect().contains(place)) {
                report(widget, text, QStringLiteral("sticks out of %1").arg(nameOf(up)));
                break;
            }
        }
    }

    void checkLabel(QLabel* label) {
        const QString text = label->text();
        if (text.isEmpty() || !label->pixmap().isNull()) return;
        const int margin = label->margin();
        const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        const QFontMetrics metrics(label->font());
        QSize need;
        if (label->textFormat() == Qt::RichText ||
            (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
            QTextDocument document;
            document.setDefaultFont(label->font());
            document.setDocumentMargin(0);
            document.setHtml(text);
            if (label->wordWrap()) document.setTextWidth(room.width());
            need = QSize(static_cast<int>(std::ceil(document.idealWidth())),
                         static_cast<int>(std::ceil(document.size().height())));
        } else if (label->wordWrap()) {
            need = metrics.boundingRect(QRect(0, 0, room.width(), QWIDGETSIZE_MAX), Qt::TextWordWrap, text).size();
        } else {
            need = metrics.size(0, text);
        }
        checkRoom(label, text, need, room.size());
    }

    void checkButton(QAbstractButton* button) {
        const QString text = button->text();
        if (text.isEmpty()) return;
        QStyleOptionButton option;
        QStyle::SubElement contents{};
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            (push->*&PushButtonOption::initStyleOption)(&option);
            contents = QStyle::SE_PushButtonContents;
        } else if (auto* check = qobject_cast<QCheckBox*>(button)) {
            (check->*&CheckBoxOption::initStyleOption)(&option);
            contents = QStyle::SE_CheckBoxContents;
        } else if (auto* radio = qobject_cast<QRadioButton*>(button)) {
            (radio->*&RadioButtonOption::initStyleOption)(&option);
            contents = QStyle::SE_RadioButtonContents;
        } else {
            ADD_FAILURE() << "no measure for " << button->metaObject()->className();
            return;
        }
        const QRect room = button->style()->subElementRect(contents, &option, button);
        QSize need = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, text);
        // Beside a push button's icon, Qt leaves 4 pixels before the text.
        if (!option.icon.isNull() && contents == QStyle::SE_PushButtonContents) {
            need.rwidth() += option.iconSize.width() + 4;
        }
        checkRoom(button, text, need, room.size());
    }

    // Buttons are written in sentence case, in every language; capitals are for headings and the
    // tabs of pages and devices, which name places rather than actions. An abbreviation ("OK",
    // "DPI") is neither.
    void checkCase(const QPushButton* button) {
        const QString text = button->text();
        const QString role = button->property("qx4role").toString();
        if (role == QLatin1String("tab") || role == QLatin1String("device")) return;
        const auto letters = std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); });
        if (letters > 3 && text == text.toUpper()) report(button, text, QStringLiteral("is in capitals, unlike the other buttons"));
    }

    // Any item may become the current one (and the placeholder shows while none is): what the box
    // then paints must fit its text field, and an item it cuts must show whole in its tool tip.
    // The placeholder is the program's own text, which must fit uncut.
    void checkCombo(QComboBox* combo) {
        QStyleOptionComboBox option;
        (combo->*&ComboBoxOption::initStyleOption)(&option);
        const QSize room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).size();
        const QFontMetrics metrics(combo->font());
        const QSignalBlocker blocker(combo);  // no page hears of the visits
        const int current = combo->currentIndex();
        for (int item = combo->placeholderText().isEmpty() ? 0 : -1; item < combo->count(); ++item) {
            combo->setCurrentIndex(item);
            const QString text = item < 0 ? combo->placeholderText() : combo->itemText(item);
            for (const QString& painted : paintedTexts(combo)) {
                checkRoom(combo, painted, metrics.size(0, painted), room);
                if (painted == text) continue;
                if (item < 0) {
                    report(combo, painted, QStringLiteral("is a placeholder cut short"));
                } else if (shownToolTip(combo) != text) {
                    report(combo, painted, QStringLiteral("is cut without the whole text in its tool tip"));
                }
            }
        }
        combo->setCurrentIndex(current);
    }

    static QStringList paintedTexts(QWidget* widget) {
        TextRecorder recorder(widget->size());
        widget->render(&recorder);
        return recorder.texts();
    }

    static QString shownToolTip(QWidget* widget) {
        QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), widget->mapToGlobal(QPoint(1, 1)));
        QCoreApplication::sendEvent(widget, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        QToolTip::hideText();
        return shown;
    }

    void checkEdit(QLineEdit* edit) {
        QStyleOptionFrame option;
        (edit->*&LineEditOption::initStyleOption)(&option);
        const QMargins margins = edit->textMargins();
        // Qt keeps 2 pixels clear on either side of an entry's text.
        const QRect room = edit->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .adjusted(margins.left() + 2, margins.top(), -margins.right() - 2, -margins.bottom());
        const QFontMetrics metrics(edit->font());
        for (const QString& text : {edit->text(), edit->placeholderText()}) {
            if (!text.isEmpty()) checkRoom(edit, text, metrics.size(0, text), room.size());
        }
    }

    // A list entry drawn by the view itself may be cut, at its end, with the whole text in its
    // tool tip; entries that are widgets are measured as widgets.
    void checkEntries(QAbstractItemView* view) {
        const QAbstractItemModel* model = view->model();
        auto* delegate = qobject_cast<QStyledItemDelegate*>(view->itemDelegate());
        if (!model || !delegate) return;
        const int textMargin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            const QString text = index.data(Qt::DisplayRole).toString();
            if (text.isEmpty() || view->indexWidget(index)) continue;
            QStyleOptionViewItem option;
            (view->*&ItemViewOption::initViewItemOption)(&option);
            option.rect = view->visualRect(index);
            (delegate->*&DelegateOption::initStyleOption)(&option, index);
            const int room =
                view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, view).width() - 2 * textMargin;
            if (option.fontMetrics.horizontalAdvance(text) <= room) continue;
            if (view->textElideMode() != Qt::ElideRight) {
                report(view, text, QStringLiteral("does not fit and is not cut at its end"));
            } else if (index.data(Qt::ToolTipRole).toString() != text) {
                report(view, text, QStringLiteral("is cut without the whole text in its tool tip"));
            }
        }
    }

    QString situation_;
    QString state_;
    QSet<QString> seen_;
    QStringList misfits_;
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

class TextFit : public testing::TestWithParam<std::string> {
protected:
    static QLocale language() { return QLocale(QString::fromStdString(GetParam())); }
    void SetUp() override { ASSERT_TRUE(ResourceManager::instance().loadLanguageFor(language())); }
    void TearDown() override { ResourceManager::instance().loadLanguageFor(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // "German at 200 %", for the failure messages.
    static QString situation() {
        return QStringLiteral("%1 at %2 %")
            .arg(QLocale::languageToString(language().language()))
            .arg(qRound(qApp->devicePixelRatio() * 100));
    }
    static void expectFits(const FitCheck& check) {
        EXPECT_TRUE(check.misfits().isEmpty()) << check.misfits().join(QLatin1Char('\n')).toStdString();
    }

    FitCheck check{situation()};
};

// The widest of the names a key can have in a macro step, in the shown language.
std::uint8_t widestKeyName(const QFont& font) {
    const QFontMetrics metrics(font);
    std::uint8_t widest = 0;
    for (int code = 0; code < 256; ++code) {
        const auto key = static_cast<std::uint8_t>(code);
        if (metrics.horizontalAdvance(stepKeyName(key)) > metrics.horizontalAdvance(stepKeyName(widest))) widest = key;
    }
    return widest;
}

// Changes the configuration as qx4ctl does while the program runs.
void edit(AppHarness& app, const std::vector<std::string>& arguments) {
    const std::vector<std::string_view> typed(arguments.cbegin(), arguments.cend());
    auto parsed = commands::parseEditCommand(typed, {});
    ASSERT_TRUE(std::holds_alternative<commands::EditCommand>(parsed)) << arguments.front();
    const commands::EditOutcome outcome =
        commands::executeEdit(std::get<commands::EditCommand>(parsed), {app.page().record(), *app.page().macroStore()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.error;
    app.page().showOutsideChange(outcome.effects);
}

// The window with a mouse, on every page, with the longest names on the rows, the editor open
// and a macro with a long name and the widest key chosen.
TEST_P(TextFit, EveryPageAndEditorPanel) {
    AppHarness app({.recordingButtonPage = false, .hookLibraryFile = kHookLibraryFile});
    ASSERT_TRUE(app.window().capture().available());
    const std::string macro = "Waffenwechsel schnell 2";
    const std::string key = QStringLiteral("0x%1").arg(widestKeyName(app.window().font()), 2, 16, QLatin1Char('0')).toStdString();
    edit(app, {"macro", "add", macro});
    edit(app, {"macro", "steps", macro, key + " down 1252, " + key + " up"});
    edit(app, {"bind", "4", "easy_aim"});  // the longest function name
    edit(app, {"bind", "5", "macro:" + macro});
    edit(app, {"bind", "6", "Ctrl+Shift+Alt+Win+Page Up"});

    for (const PageKind& kind : pageTable()) {
        app.click(kind.tabButton);
        check.check(&app.window(), QLatin1String(kind.objectName));
    }
    app.click(findPageKind("WirelessButton")->tabButton);
    for (const char* row : {"wireless_button5_btn", "wireless_button6_btn"}) {
        app.click(row);
        ASSERT_TRUE(app.control<QWidget>("wireless_button_type_combo")->isVisible()) << "the editor opened";
        check.check(&app.window(), QStringLiteral("editor of ") + QLatin1String(row));
        app.click("wireless_button_cancel_btn");
    }
    app.click(findPageKind("WirelessMacro")->tabButton);
    auto* macroList = app.control<QAbstractItemView>("wireless_macro_list");
    macroList->setCurrentIndex(macroList->model()->index(0, 0));
    AppHarness::deliverMessages();
    check.check(&app.window(), QStringLiteral("macro chosen"));
    app.click("wireless_macro_insert_mouse_btn");
    check.check(&app.window(), QStringLiteral("mouse buttons offered"));
    app.page().showStatus(ResourceManager::instance().text(QStringLiteral("apply_failed_text")).arg(12).arg(36), true);
    check.check(&app.window(), QStringLiteral("status"));
    expectFits(check);
}

// Without the hook library the key editor says so instead of asking for a key.
TEST_P(TextFit, KeyEditorWithoutKeyCapture) {
    AppHarness app({.recordingButtonPage = false});
    edit(app, {"bind", "6", "Ctrl+Shift+Alt+Win+Page Up"});
    app.click(findPageKind("WirelessButton")->tabButton);
    app.click("wireless_button6_btn");
    check.check(&app.window(), QStringLiteral("key editor without capture"));
    expectFits(check);
}

TEST_P(TextFit, NoMousePageAndItsWarning) {
    AccessCheck closed;
    closed.access.state = DeviceAccess::State::notPermitted;
    closed.fix.command = "sudo udevadm control --reload && sudo udevadm trigger";
    AppHarness app({.receiverPresent = false, .access = closed});
    answerModal<CMsgWnd>(
        [&](CMsgWnd& warning) {
            check.check(&warning, QStringLiteral("no-mouse warning"));
            warning.reject();
        },
        [&] { app.window().handleCustomMessage(UM_TRAY_NOTIFY, kTrayIcon, WM_LBUTTONUP); });
    app.window().show();
    check.check(app.control<QWidget>("no_device_page"), QStringLiteral("no mouse"));
    expectFits(check);
}

// The longest text of the language in the message box, the about box, the colour dialog and
// the popups with their widest texts.
TEST_P(TextFit, Dialogs) {
    const ResourceManager& texts = ResourceManager::instance();
    const auto keys = readLanguageFile(texts.resourcePath(QStringLiteral("lan.xml"))).value().keys();
    const QString longest = *std::max_element(keys.cbegin(), keys.cend(), [&](const QString& a, const QString& b) {
        return texts.text(a).size() < texts.text(b).size();
    });
    answerModal<CMsgWnd>(
        [&](CMsgWnd& box) {
            check.check(&box, QStringLiteral("message box"));
            box.reject();
        },
        [&] { runMessageBox(nullptr, QStringLiteral("warning_title_text"), longest); });
    answerModal<CAboutWnd>(
        [&](CAboutWnd& about) {
            check.check(&about, QStringLiteral("about box"));
            about.reject();
        },
        [] { CAboutWnd(nullptr).showModal(); });
    CDpiColorWnd colors;
    colors.show();
    check.check(&colors, QStringLiteral("colour dialog"));
    for (const QString& shown : {texts.text(QStringLiteral("dpi_popup_text")).arg(highestDpi()),
                                 texts.text(QStringLiteral("profile_popup_text")).arg(5)}) {
        CDPIMsg popup(nullptr, shown);
        popup.show();
        check.check(&popup, QStringLiteral("popup"));
    }
    expectFits(check);
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, testing::ValuesIn(shownLanguages()),
                         [](const testing::TestParamInfo<std::string>& language) { return language.param; });

}  // namespace
}  // namespace qx4::gui::test
