#include "gui/macro/own_clicks.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <cstddef>
#include <optional>

namespace qx4::gui {

namespace {

// In the order of OwnClicks' arrays, which is CapturedButton's: the hook reports the back button
// as X button 1.
constexpr std::array<Qt::MouseButton, 5> kButtons{Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::BackButton,
                                                  Qt::ForwardButton};

std::optional<std::size_t> buttonIndex(Qt::MouseButton button) {
    for (std::size_t index = 0; index < kButtons.size(); ++index) {
        if (kButtons[index] == button) return index;
    }
    return std::nullopt;
}

// The widget at `position` in one of the program's windows.
const QWidget* widgetIn(const QWindow& window, QPoint position) {
    for (const QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != &window) continue;
        const QWidget* child = top->childAt(position);
        return child ? child : top;
    }
    return nullptr;
}

}  // namespace

OwnClicks::OwnClicks(const QWidget& stepArea, QObject* parent) : QObject(parent), stepArea_(stepArea) {}

void OwnClicks::start(bool wholeDesktop) {
    stop();
    wholeDesktop_ = wholeDesktop;
    // Where the hook hears only the program's windows, every press it hears has reached one.
    if (!wholeDesktop) QCoreApplication::instance()->installEventFilter(this);
}

void OwnClicks::stop() {
    QCoreApplication::instance()->removeEventFilter(this);
    gotOnOwn_.fill(false);
    heardOnOwn_.fill(false);
}

bool OwnClicks::isOwn(const CapturedInput& input) {
    if (input.isKey()) return false;
    const auto index = static_cast<std::size_t>(input.button);
    bool& own = heardOnOwn_[index];
    if (input.pressed) own = wholeDesktop_ ? ownWidget(QApplication::widgetAt(QCursor::pos())) : gotOnOwn_[index];
    return own;
}

// A press reaches its window before any widget, and once, whichever widget then takes it.
bool OwnClicks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWindowType()) {
        const auto* press = static_cast<const QMouseEvent*>(event);
        if (const auto index = buttonIndex(press->button())) {
            gotOnOwn_[*index] = ownWidget(widgetIn(*static_cast<QWindow*>(watched), press->position().toPoint()));
        }
    }
    return QObject::eventFilter(watched, event);
}

bool OwnClicks::ownWidget(const QWidget* widget) const {
    return widget && widget != &stepArea_ && !stepArea_.isAncestorOf(widget);
}

}  // namespace qx4::gui
