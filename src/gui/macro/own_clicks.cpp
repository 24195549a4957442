#include "gui/macro/own_clicks.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/window_messages.h"

namespace qx4::gui {

namespace {

struct ButtonRow {
    Qt::MouseButton button;
    std::uintptr_t down;
    std::uintptr_t up;
    std::intptr_t xButton;  // 0: lParam carries nothing
};
// In the order of OwnClicks' arrays.
constexpr std::array<ButtonRow, 5> kButtons{{
    {Qt::LeftButton, WM_LBUTTONDOWN, WM_LBUTTONUP, 0},
    {Qt::RightButton, WM_RBUTTONDOWN, WM_RBUTTONUP, 0},
    {Qt::MiddleButton, WM_MBUTTONDOWN, WM_MBUTTONUP, 0},
    {Qt::BackButton, WM_XBUTTONDOWN, WM_XBUTTONUP, 1},
    {Qt::ForwardButton, WM_XBUTTONDOWN, WM_XBUTTONUP, 2},
}};

struct HeardButton {
    std::size_t index;
    bool pressed;
};

std::optional<HeardButton> heardButton(const CapturedInput& input) {
    for (std::size_t index = 0; index < kButtons.size(); ++index) {
        const ButtonRow& row = kButtons[index];
        if (row.xButton != 0 && input.lParam != row.xButton) continue;
        if (input.wParam == row.down || input.wParam == row.up) return HeardButton{index, input.wParam == row.down};
    }
    return std::nullopt;
}

std::optional<std::size_t> buttonIndex(Qt::MouseButton button) {
    for (std::size_t index = 0; index < kButtons.size(); ++index) {
        if (kButtons[index].button == button) return index;
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
    const auto button = heardButton(input);
    if (!button) return false;
    bool& own = heardOnOwn_[button->index];
    if (button->pressed) {
        own = wholeDesktop_ ? ownWidget(QApplication::widgetAt(QCursor::pos())) : gotOnOwn_[button->index];
    }
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
