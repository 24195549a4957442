#include "gui/common/window_drag.h"

#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QWidget>
#include <QWindow>

namespace qx4::gui {

namespace {
class WindowDragFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* handle = static_cast<QWidget*>(watched);
        QWidget* window = handle->window();
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* press = static_cast<QMouseEvent*>(event);
            if (press->button() != Qt::LeftButton) return false;
            if (window->windowHandle() && window->windowHandle()->startSystemMove()) return true;
            dragOffset_ = press->globalPosition().toPoint() - window->frameGeometry().topLeft();
            dragging_ = true;
            return true;
        }
        case QEvent::MouseMove:
            if (!dragging_) return false;
            window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return true;
        case QEvent::MouseButtonRelease:
            if (!dragging_) return false;
            dragging_ = false;
            return true;
        default:
            return false;
        }
    }

private:
    QPoint dragOffset_;
    bool dragging_ = false;
};
}  // namespace

void makeWindowDraggable(QWidget* handle) {
    if (handle) handle->installEventFilter(new WindowDragFilter(handle));
}

}  // namespace qx4::gui
