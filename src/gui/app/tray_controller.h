// The program beside its window: the tray icon with its menu, the desktop's notifications, the
// battery warnings and the popup that shows a switch on the mouse. All of them speak while the
// window is hidden, so they live apart from it; they reach the window only through its public
// calls (show it, end the program the window's way) and hear the mouse from the session.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "gui/app/battery_warnings.h"
#include "gui/app/desktop_notifier.h"
#include "gui/app/dpi_msg.h"
#include "gui/follow/focus_follower.h"

class QSystemTrayIcon;
class QTimer;

namespace qx4::gui {

class CMainWnd;
class MouseSession;
struct MenuCommand;

class TrayController final : public QObject {
    Q_OBJECT
public:
    static constexpr int kPopupMilliseconds = 2000;

    // `notify` shows a desktop notification; unset: the notification service, else a tray balloon.
    TrayController(MouseSession& session, CMainWnd& window, std::function<void(const DesktopNotice&)> notify = {});
    ~TrayController() override;

    // What the menu's profile items and automatic switching work through.
    void setFollower(FocusFollower* follower) { follower_ = follower; }
    // The popup a switch of the active profile (0-4) shows.
    void showProfilePopup(int profile);
    // The popup closed, as the program ends.
    void shutdown();

    QSystemTrayIcon* trayIcon() const { return trayIcon_; }
    QMenu* trayMenu() const { return trayMenu_; }
    CDPIMsg* dpiPopup() const { return popup_; }

private:
    void openTrayMenu();
    void onMenuCommand(const MenuCommand& command);
    void onConnectionChanged();
    void onPowerChanged();
    void warnBattery(int percent);
    void showPopup(const QString& text);
    void closePopup();

    MouseSession& session_;
    CMainWnd& window_;
    std::function<void(const DesktopNotice&)> notify_;
    QSystemTrayIcon* trayIcon_;
    QPointer<QMenu> trayMenu_;
    QPointer<CDPIMsg> popup_;
    QTimer* popupTimer_;
    BatteryWarnings batteryWarnings_;
    bool lowBatteryMarkShown_ = false;
    bool connected_ = false;
    QPointer<FocusFollower> follower_;
};

}  // namespace qx4::gui
