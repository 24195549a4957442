#include "gui/common/tab_order.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace qx4::gui {

std::vector<QWidget*> tabStopsUnder(QWidget* root) {
    std::vector<QWidget*> stops;
    for (QWidget* widget = root->nextInFocusChain(); widget != root; widget = widget->nextInFocusChain()) {
        if (root->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy()) {
            stops.push_back(widget);
        }
    }
    return stops;
}

void chainTabStops(std::span<QWidget* const> stops) {
    for (std::size_t i = 1; i < stops.size(); ++i) QWidget::setTabOrder(stops[i - 1], stops[i]);
}

// The group tells of every change, also of one a page makes with the button's signals blocked.
void keepTabOnChosen(QButtonGroup* group) {
    const auto follow = [group] {
        const QAbstractButton* chosen = group->checkedButton();
        for (QAbstractButton* button : group->buttons()) {
            const int policy = button->focusPolicy();
            const bool stop = !chosen || button == chosen;
            button->setFocusPolicy(static_cast<Qt::FocusPolicy>(stop ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
        }
    };
    QObject::connect(group, &QButtonGroup::buttonToggled, group, follow);
    follow();
}

namespace {

void setTabStop(QWidget* widget, bool stop) {
    const int policy = widget->focusPolicy();
    widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(stop ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
}

// -1 for Left, 1 for Right, 0 for a key that stays with the control (a text field's cursor moves
// until it is at that end).
int rowStep(const QWidget* widget, const QKeyEvent& key) {
    if (key.modifiers() & ~Qt::KeypadModifier) return 0;
    const int step = key.key() == Qt::Key_Left ? -1 : key.key() == Qt::Key_Right ? 1 : 0;
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget); edit && step != 0) {
        if (edit->hasSelectedText()) return 0;
        if (edit->cursorPosition() != (step < 0 ? 0 : static_cast<int>(edit->text().size()))) return 0;
    }
    return step;
}

class RowStops final : public QObject {
public:
    RowStops(QObject* owner, std::vector<std::vector<QWidget*>> rows) : QObject(owner), rows_(std::move(rows)) {
        for (const auto& row : rows_) {
            for (std::size_t column = 0; column < row.size(); ++column) {
                row[column]->setProperty("qx4rowmember", true);
                row[column]->installEventFilter(this);
                setTabStop(row[column], column == column_);
            }
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto [row, column] = find(watched);
        if (!row) return false;
        if (event->type() == QEvent::FocusIn) moveStops(column);
        if (event->type() != QEvent::KeyPress) return false;
        const int step = rowStep((*row)[column], *static_cast<QKeyEvent*>(event));
        if (step == 0) return false;
        for (auto next = static_cast<std::ptrdiff_t>(column) + step;
             next >= 0 && next < static_cast<std::ptrdiff_t>(row->size()); next += step) {
            QWidget* neighbour = (*row)[static_cast<std::size_t>(next)];
            if (neighbour->isEnabled() && neighbour->isVisible()) {
                neighbour->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                break;
            }
        }
        return true;
    }

private:
    std::pair<const std::vector<QWidget*>*, std::size_t> find(const QObject* widget) const {
        for (const auto& row : rows_) {
            for (std::size_t column = 0; column < row.size(); ++column) {
                if (row[column] == widget) return {&row, column};
            }
        }
        return {nullptr, 0};
    }

    // The new stop takes the old one's place in the Tab order.
    void moveStops(std::size_t column) {
        if (column == column_) return;
        for (const auto& row : rows_) {
            if (column >= row.size() || column_ >= row.size()) continue;
            QWidget::setTabOrder(row[column_], row[column]);
            setTabStop(row[column_], false);
            setTabStop(row[column], true);
        }
        column_ = column;
    }

    std::vector<std::vector<QWidget*>> rows_;
    std::size_t column_ = 0;
};

}  // namespace

void makeRowsOneTabStopEach(QObject* owner, std::vector<std::vector<QWidget*>> rows) {
    new RowStops(owner, std::move(rows));
}

}  // namespace qx4::gui
