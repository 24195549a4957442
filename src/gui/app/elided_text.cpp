#include "gui/app/elided_text.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

#include "gui/app/resource_manager.h"

namespace qx4::gui {

namespace {

const QString kEliderName = QStringLiteral("qx4_elider");

// The style option a push button paints with, which the button fills in a protected member.
struct ButtonStyleOption : QPushButton {
    using QPushButton::initStyleOption;
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
        control_->setToolTip(text);
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

void showElidedIn(QWidget* control, const QString& text) {
    auto* elider = static_cast<Elider*>(control->findChild<QObject*>(kEliderName, Qt::FindDirectChildrenOnly));
    if (!elider) elider = new Elider(control);
    elider->setText(text);
}

}  // namespace

void showElided(QLabel* label, const QString& text) { showElidedIn(label, text); }
void showElided(QPushButton* button, const QString& text) { showElidedIn(button, text); }

}  // namespace qx4::gui
