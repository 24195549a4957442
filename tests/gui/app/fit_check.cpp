#include "fit_check.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace qx4::gui::test {

namespace {

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

// The texts the widget paints as it is now.
QStringList paintedTexts(QWidget* widget) {
    TextRecorder recorder(widget->size());
    widget->render(&recorder);
    return recorder.texts();
}

// The tool tip the widget shows when the pointer rests on it, "" for none.
QString shownToolTip(QWidget* widget) {
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), widget->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(widget, &help);
    const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return shown;
}

}  // namespace

void FitCheck::check(QWidget* root, const QString& state) {
    state_ = state;
    walk(root);
}

void FitCheck::walk(QWidget* root) {
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
    checkStacksUnder(root);
}

void FitCheck::checkStacksUnder(QWidget* widget) {
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
void FitCheck::checkEveryPage(QStackedWidget* stack) {
    if (!stack->isVisible()) return;
    const int shown = stack->currentIndex();
    const QSignalBlocker blocker(stack);
    for (int index = 0; index < stack->count(); ++index) {
        stack->setCurrentIndex(index);
        walk(stack->currentWidget());
    }
    stack->setCurrentIndex(shown);
}

void FitCheck::report(const QWidget* widget, const QString& text, const QString& why) {
    const QString misfit = QStringLiteral("%1 \"%2\" %3").arg(nameOf(widget), text, why);
    if (seen_.contains(misfit)) return;
    seen_ << misfit;
    misfits_ << QStringLiteral("%1, %2: %3").arg(situation_, state_, misfit);
}

void FitCheck::checkRoom(const QWidget* widget, const QString& text, QSize need, QSize room) {
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

void FitCheck::checkLabel(QLabel* label) {
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

void FitCheck::checkButton(QAbstractButton* button) {
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
void FitCheck::checkCase(const QPushButton* button) {
    const QString text = button->text();
    const QString role = button->property("qx4role").toString();
    if (role == QLatin1String("tab") || role == QLatin1String("device")) return;
    const auto letters = std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); });
    if (letters > 3 && text == text.toUpper()) report(button, text, QStringLiteral("is in capitals, unlike the other buttons"));
}

// Any item may become the current one (and the placeholder shows while none is): what the box
// then paints must fit its text field, and an item it cuts must show whole in its tool tip.
// The placeholder is the program's own text, which must fit uncut.
void FitCheck::checkCombo(QComboBox* combo) {
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

void FitCheck::checkEdit(QLineEdit* edit) {
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
void FitCheck::checkEntries(QAbstractItemView* view) {
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

}  // namespace qx4::gui::test
