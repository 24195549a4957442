#include "gui/app/tray_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "core/config/device_config.h"
#include "core/desktop/autostart.h"
#include "gui/common/app_settings.h"
#include "gui/common/diagnostics.h"
#include "gui/common/layout_loader.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"

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

void showTrayProfiles(QMenu* menu, int activeProfile, std::optional<bool> following) {
    for (int profile = 0; profile < kProfileCount; ++profile) {
        if (auto* item = menu->findChild<QAction*>(QStringLiteral("profile_%1").arg(profile + 1))) {
            item->setText(ResourceManager::instance().text(QStringLiteral("profile_popup_text")).arg(profile + 1));
            item->setChecked(profile == activeProfile);
        }
    }
    if (auto* follow = menu->findChild<QAction*>(QStringLiteral("follow"))) {
        follow->setVisible(following.has_value());
        follow->setChecked(following.value_or(false));
    }
}

std::optional<int> trayProfileOf(const MenuCommand& command) {
    if (!command.name.startsWith(QLatin1String("profile_"))) return std::nullopt;
    bool number = false;
    const int profile = command.name.mid(8).toInt(&number);
    if (!number || profile < 1 || profile > kProfileCount) return std::nullopt;
    return profile - 1;
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
