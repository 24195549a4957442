// The program's one top-level window: an 800 x 572 frameless window that hosts the wireless page
// and the settings pages, owns the mouse session, the tray icon and its menu, the input-hook
// library with the capture service, and the macro store. It shows the DPI and profile popup, and shows itself only while a mouse is connected (or,
// when the mouse is there but closed to this user, to say how to open it). The tray icon tells the
// link, battery and charging, and warns when the battery runs low.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/device/device_link.h"
#include "core/macro/macro_store.h"
#include "gui/app/access_notice.h"
#include "gui/app/battery_warnings.h"
#include "gui/common/capture_service.h"
#include "gui/app/program_controls.h"
#include "gui/app/desktop_notifier.h"
#include "gui/app/dpi_msg.h"
#include "gui/common/hook_table.h"
#include "gui/app/pending_edits_prompt.h"

class QAbstractButton;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;

namespace qx4::gui {

class CMsgWnd;
class CWirelessPage;
class FocusFollower;
class MouseSession;
struct MenuCommand;

struct MainWindowOptions {
    DriverSet drivers = DriverSet::hardware;
    DriverBinder* driverBinder = nullptr;  // nullptr: load the driver libraries from disk
    PauseFunction pauseAfterWrite = pauseInterruptibly;  // paces writes to the mouse
    std::string hookLibraryFile = kHookLibraryFile;
    ControlFactory controls = programControls();
    // Asked each time the window would hide into the tray.
    std::function<bool()> trayAvailable;
    // Shows a desktop notification; unset: the notification service, else a tray balloon.
    std::function<void(const DesktopNotice&)> notify;
    // Whether the mouse is on USB but closed to this user; unset: sysfs for the real mouse, never
    // for the virtual one.
    std::function<AccessCheck()> checkAccess;
};

class CMainWnd final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 572;
    static constexpr int kPopupMilliseconds = 2000;

    explicit CMainWnd(MainWindowOptions options = {});
    ~CMainWnd() override;

    // Builds everything behind the layout: wireless page and links, tray icon, hook library,
    // macro store, configuration.
    void initialize();
    // Shown at start only when a mouse is connected and the command line was empty.
    void applyStartVisibility(bool startHidden);
    // After the message loop: links closed, worker joined, libraries released, hooks removed.
    void shutdown();
    // What the tray's profile items and automatic switching, and the rules window, work through.
    void setFollower(FocusFollower* follower);
    // The popup a switch of the active profile (0-4) on the mouse shows.
    void showProfilePopup(int profile);
    // A second start asks for the window.
    void showPlain();

    bool connected() const { return connected_; }
    MouseSession& session() const { return *session_; }
    CWirelessPage* wirelessPage() const { return page_.get(); }
    CDPIMsg* dpiPopup() const { return popup_; }
    QMenu* trayMenu() const { return trayMenu_; }
    QSystemTrayIcon* trayIcon() const { return trayIcon_; }
    const HookTable& hooks() const { return hooks_; }
    CaptureService& capture() { return *capture_; }
    const MacroList& macros() const { return macros_; }

Q_SIGNALS:
    // The tray menu's "exit": the program ends once the message loop has returned.
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void connectSession();
    void findControls();
    void bindHooks();
    void createTrayIcon();
    void onClick(QAbstractButton* sender);
    void selectDeviceTab(int index);

    void showFromTray();
    void bringForward(bool showOnlyIfHidden);
    void hideIntoTray();
    void closeToTray();
    void leave(bool quit);
    void openNoDeviceWarning();
    void openAbout();
    void openTrayMenu();
    void onMenuCommand(const MenuCommand& command);
    void onConnectionChanged();
    void refreshAccess();
    void onPowerChanged();
    void warnBattery(int percent);
    void tellDisconnected();
    void showPopup(const QString& text);
    void closePopup();
    void destroyWindow();
    bool trayAvailable() const;

    MainWindowOptions options_;
    std::unique_ptr<MouseSession> session_;
    std::unique_ptr<CWirelessPage> page_;  // works through session_, so it goes first
    std::unique_ptr<PendingEditsPrompt> pendingPrompt_;
    std::optional<std::uint64_t> quitAfterApply_;  // the apply the user chose to end the program with
    MacroList macros_;
    HookTable hooks_;
    std::unique_ptr<CaptureService> capture_;  // uses hooks_, so it goes first
    QSystemTrayIcon* trayIcon_ = nullptr;
    QPointer<QMenu> trayMenu_;
    QPointer<CDPIMsg> popup_;
    QTimer* popupTimer_;
    QStackedWidget* deviceTabSwitch_ = nullptr;  // null until the controls are found
    QWidget* noDevicePage_ = nullptr;
    AccessCheck access_;
    BatteryWarnings batteryWarnings_;
    bool lowBatteryMarkShown_ = false;
    bool connected_ = false;
    QPointer<CMsgWnd> noDeviceWarning_;  // while it is open
    QPointer<FocusFollower> follower_;
    bool shutDown_ = false;
};

}  // namespace qx4::gui
