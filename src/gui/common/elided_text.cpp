#include "gui/common/elided_text.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

#include "gui/common/resource_manager.h"

namespace qx4::gui {

QString plainToolTip(const QString& text) { return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text; }

namespace {

const QString kEliderName = QStringLiteral("qx4_elider");

// The style options the controls paint with, which they fill in a protected member.
struct ButtonStyleOption : QPushButton {
    using QPushButton::initStyleOption;
};
struct ComboStyleOption : QComboBox {
    using QComboBox::initStyleOption;
};

// The width the control's text is painted in.
int textRoom(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->contentsRect().width() - 2 * label->margin();
    }
    const auto* button = static_cast<const QPushButton*>(control);
    QStyleOptionButton option;
    (button->*&ButtonStyleOption::initStyleOption)(&option);
    int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    if (!option.icon.isNull()) room -= option.iconSize.width() + 4;  // Qt's gap between icon and text
    return room;
}

QString shownText(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    return static_cast<const QPushButton*>(control)->text();
}

// Keeps the whole text, and cuts it again when the control's room for it changes.
class Elider final : public QObject {
public:
    explicit Elider(QWidget* control) : QObject(control), control_(control) {
        setObjectName(kEliderName);
        control->installEventFilter(this);
    }

    void setText(const QString& text) {
        text_ = text;
        control_->setToolTip(plainToolTip(text));
        refresh();
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::Polish:
            refresh();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void refresh() {
        const QString shown = control_->fontMetrics().elidedText(text_, Qt::ElideRight, std::max(textRoom(control_), 0));
        if (shownText(control_) != shown) ResourceManager::instance().setPlainText(control_, shown);
    }

    QWidget* control_;
    QString text_;
};

// Paints the combo box as Qt does, with the current text (or the placeholder) cut to the room of
// its text field, and shows the whole text as the tool tip while it is cut.
class ComboElider final : public QObject {
public:
    explicit ComboElider(QComboBox* combo) : QObject(combo), combo_(combo) { combo->installEventFilter(this); }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            paint();
            return true;
        }
        if (event->type() == QEvent::ToolTip && !fits(combo_->currentText())) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), plainToolTip(combo_->currentText()), combo_);
            return true;
        }
        return false;
    }

private:
    QStyleOptionComboBox option() const {
        QStyleOptionComboBox option;
        (combo_->*&ComboStyleOption::initStyleOption)(&option);
        return option;
    }
    int room() const {
        const QStyleOptionComboBox shown = option();
        return combo_->style()->subControlRect(QStyle::CC_ComboBox, &shown, QStyle::SC_ComboBoxEditField, combo_).width();
    }
    bool fits(const QString& text) const { return combo_->fontMetrics().horizontalAdvance(text) <= room(); }

    void paint() {
        QStylePainter painter(combo_);
        painter.setPen(combo_->palette().color(QPalette::Text));
        QStyleOptionComboBox shown = option();
        painter.drawComplexControl(QStyle::CC_ComboBox, shown);
        if (combo_->currentIndex() < 0 && !combo_->placeholderText().isEmpty()) {
            shown.palette.setBrush(QPalette::ButtonText, shown.palette.placeholderText());
            shown.currentText = combo_->placeholderText();
        }
        shown.currentText = combo_->fontMetrics().elidedText(shown.currentText, Qt::ElideRight, room());
        painter.drawControl(QStyle::CE_ComboBoxLabel, shown);
    }

    QComboBox* combo_;
};

void showElidedIn(QWidget* control, const QString& text) {
    auto* elider = static_cast<Elider*>(control->findChild<QObject*>(kEliderName, Qt::FindDirectChildrenOnly));
    if (!elider) elider = new Elider(control);
    elider->setText(text);
}

}  // namespace

void showElided(QLabel* label, const QString& text) { showElidedIn(label, text); }
void showElided(QPushButton* button, const QString& text) { showElidedIn(button, text); }

void elideCurrentItem(QComboBox* combo) { new ComboElider(combo); }

}  // namespace qx4::gui
