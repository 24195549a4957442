#include "gui/app/tray_menu.h"

#include <QAction>
#include <QMenu>

#include "gui/app/layout_loader.h"

namespace qx4::gui {

QMenu* loadTrayMenu(QWidget* owner, std::function<void(const MenuCommand&)> chosen) {
    LayoutLoader loader;
    QWidget* root = loader.load(QStringLiteral("traymenu.xml"), owner);
    auto* menu = qobject_cast<QMenu*>(root);
    if (!menu) {
        delete root;
        return nullptr;
    }
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        // Queued, so the command runs once the menu has closed and may open a modal window.
        QObject::connect(
            action, &QAction::triggered, menu,
            [action, chosen] {
                chosen(MenuCommand{action->objectName(), action->data().toString(), action->text()});
            },
            Qt::QueuedConnection);
    }
    return menu;
}

QPoint trayMenuPosition(const QPoint& cursor) { return cursor - QPoint(0, kTrayMenuLift); }

}  // namespace qx4::gui
