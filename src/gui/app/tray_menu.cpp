#include "gui/app/tray_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "core/desktop/autostart.h"
#include "gui/app/app_settings.h"
#include "gui/app/diagnostics.h"
#include "gui/app/layout_loader.h"
#include "gui/app/msg_wnd.h"

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

void showTrayMenuChecks(QMenu* menu) {
    if (auto* autostart = menu->findChild<QAction*>(QStringLiteral("autostart"))) {
        autostart->setChecked(autostartState(autostartFolders()).enabled);
    }
    if (auto* warnings = menu->findChild<QAction*>(QStringLiteral("battery_warnings"))) {
        warnings->setChecked(batteryWarningsEnabled());
    }
}

void switchStartAtLogin(QWidget* parent) {
    const AutostartFolders folders = autostartFolders();
    const bool enable = !autostartState(folders).enabled;
    const std::string error = setAutostart(enable, folders, QCoreApplication::applicationFilePath().toStdString());
    qCDebug(lcApp, "start at login %s%s%s", enable ? "on" : "off", error.empty() ? "" : ": ", error.c_str());
    if (!error.empty()) runMessageBox(parent, QStringLiteral("warning_title_text"), QStringLiteral("autostart_failed_text"));
}

void switchBatteryWarnings(QWidget* parent) {
    if (!setBatteryWarningsEnabled(!batteryWarningsEnabled())) {
        runMessageBox(parent, QStringLiteral("warning_title_text"), QStringLiteral("settings_failed_text"));
    }
}

}  // namespace qx4::gui
