#include "gui/common/tab_order.h"

#include <QAbstractButton>
#include <QButtonGroup>
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

}  // namespace qx4::gui
