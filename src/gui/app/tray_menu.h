// The tray icon's menu, built from "traymenu.xml" (a QMenu whose actions are named after the
// commands: "configuration", "autostart", "battery_warnings", "profile_1" to "profile_5",
// "follow", "exit"), with a submenu of languages whose items are "language" with the language as
// their data (empty: the desktop's). A chosen item reaches the main window as a MenuCommand.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace qx4::gui {

struct MenuCommand {
    QString name;      // the action's object name
    QString userData;  // the action's data, as text
    QString text;      // the text shown
};

// Builds the menu (owned by `owner`) and calls `chosen` after the menu has closed, once per
// chosen item. nullptr when the layout is missing or is not a menu.
QMenu* loadTrayMenu(QWidget* owner, std::function<void(const MenuCommand&)> chosen);

// The tray menu opens with its top-left corner 50 pixels above the pointer.
inline constexpr int kTrayMenuLift = 50;
QPoint trayMenuPosition(const QPoint& cursor);

// Checks "autostart" and "battery_warnings" by what is in effect now, read afresh each time the
// menu opens: qx4ctl or the desktop's own settings may have changed it meanwhile.
void showTrayMenuChecks(QMenu* menu);
// Turn start at login (the XDG autostart entry starting this program in the tray) or the battery
// warnings the other way; what could not be saved is told in a warning box over `parent`.
void switchStartAtLogin(QWidget* parent);
void switchBatteryWarnings(QWidget* parent);
// Keeps the language chosen in the menu for the next start, and says so, or what failed.
void chooseLanguage(QWidget* parent, const QString& language);

// The items "profile_1" to "profile_5" name the profiles and check the active one; "follow" is
// checked while the profile follows the application in front, and hidden when nothing follows.
void showTrayProfiles(QMenu* menu, int activeProfile, std::optional<bool> following);
// The profile (0-based) a profile item selects.
std::optional<int> trayProfileOf(const MenuCommand& command);

}  // namespace qx4::gui
