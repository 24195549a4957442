#include "gui/app/tray_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QMenu>

#include <algorithm>

#include "core/config/device_config.h"
#include "core/desktop/autostart.h"
#include "gui/common/app_settings.h"
#include "gui/common/diagnostics.h"
#include "gui/common/layout_loader.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
// Each language by its own name, as one looks for it in a language one does not read.
void addLanguageMenu(QMenu* menu) {
    auto* languages = new QMenu(ResourceManager::instance().text(QStringLiteral("language_menu_text")), menu);
    languages->setObjectName(QStringLiteral("language_menu"));
    const auto add = [languages](const QString& language, const QString& name) {
        QAction* item = languages->addAction(name);
        item->setObjectName(QStringLiteral("language"));
        item->setData(language);
        item->setCheckable(true);
    };
    add(QString(), ResourceManager::instance().text(QStringLiteral("language_desktop_text")));
    for (const QString& language : QStringList{QStringLiteral("en")} + ResourceManager::instance().translations()) {
        const QString name = QLocale(language).nativeLanguageName();
        add(language, name.left(1).toUpper() + name.mid(1));
    }
    const auto items = menu->actions();
    const auto autostart = std::ranges::find(items, QStringLiteral("autostart"), &QObject::objectName);
    menu->insertMenu(autostart == items.end() ? nullptr : *autostart, languages);
}
}  // namespace

QMenu* loadTrayMenu(QWidget* owner, std::function<void(const MenuCommand&)> chosen) {
    LayoutLoader loader;
    QWidget* root = loader.load(QStringLiteral("traymenu.xml"), owner);
    auto* menu = qobject_cast<QMenu*>(root);
    if (!menu) {
        delete root;
        return nullptr;
    }
    addLanguageMenu(menu);
    const auto actions = menu->findChildren<QAction*>();
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
    const QString language = chosenLanguage();
    for (QAction* item : menu->findChildren<QAction*>(QStringLiteral("language"))) {
        item->setChecked(item->data().toString() == language);
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

// The texts are read once at the start: every window would otherwise need telling.
void chooseLanguage(QWidget* parent, const QString& language) {
    if (!setChosenLanguage(language)) {
        runMessageBox(parent, QStringLiteral("warning_title_text"), QStringLiteral("settings_failed_text"));
        return;
    }
    qCDebug(lcApp, "language: %s", language.isEmpty() ? "the desktop's" : qPrintable(language));
    runMessageBox(parent, QStringLiteral("language_title_text"), QStringLiteral("language_next_start_text"));
}

void switchBatteryWarnings(QWidget* parent) {
    if (!setBatteryWarningsEnabled(!batteryWarningsEnabled())) {
        runMessageBox(parent, QStringLiteral("warning_title_text"), QStringLiteral("settings_failed_text"));
    }
}

}  // namespace qx4::gui
