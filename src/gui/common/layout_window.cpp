#include "gui/common/layout_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include "gui/common/layout_loader.h"
#include "gui/common/window_drag.h"

namespace qx4::gui {

QWidget* buildWindowFromLayout(QWidget* window, const QString& layoutFileName, int fallbackWidth,
                               int fallbackHeight) {
    QWidget* root = loadLayoutInto(window, layoutFileName);
    if (!root) {
        window->setFixedSize(fallbackWidth, fallbackHeight);
        return nullptr;
    }
    window->setFixedSize(root->size());
    makeWindowDraggable(root);
    return root;
}

QRect centredGeometry(const QWidget* window, const QWidget* parent) {
    QRect area;
    if (parent && parent->isVisible() && !parent->isMinimized()) {
        area = parent->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    return QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(), area);
}

}  // namespace qx4::gui
