#include "gui/app/tray_controller.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <initializer_list>
#include <optional>
#include <utility>

#include "gui/app/main_wnd.h"
#include "gui/app/tray_menu.h"
#include "gui/app/tray_status.h"
#include "gui/common/app_settings.h"
#include "gui/common/diagnostics.h"
#include "gui/common/dpi_text.h"
#include "gui/common/resource_manager.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/rules_wnd.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

TrayController::TrayController(MouseSession& session, CMainWnd& window,
                               std::function<void(const DesktopNotice&)> notify)
    : QObject(nullptr),
      session_(session),
      window_(window),
      notify_(std::move(notify)),
      trayIcon_(new QSystemTrayIcon(statusIcon(false), this)),
      popupTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("tray_controller"));
    trayIcon_->setToolTip(text("mouse_name_text"));
    if (!notify_) {
        auto* notifier = new DesktopNotifier(trayIcon_, this);
        notify_ = [notifier](const DesktopNotice& notice) { notifier->notify(notice); };
    }
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            window_.bringForward();
        } else if (reason == QSystemTrayIcon::Context) {
            openTrayMenu();
        }
    });
    popupTimer_->setObjectName(QStringLiteral("dpi_popup_timer"));
    popupTimer_->setSingleShot(true);
    popupTimer_->setInterval(kPopupMilliseconds);
    connect(popupTimer_, &QTimer::timeout, this, &TrayController::closePopup);

    connect(&session_, &MouseSession::powerStateChanged, this, &TrayController::onPowerChanged);
    connect(&window_, &CMainWnd::accessChecked, this, &TrayController::onPowerChanged);
    connect(&window_, &CMainWnd::quitRequested, this, [this] {
        shutdown();
        trayIcon_->hide();
    });
    // The mouse's news is told after the notification that brought it has been handled, and after
    // the window has shown the connection.
    connect(&session_, &MouseSession::linkPresenceChanged, this, &TrayController::onConnectionChanged,
            Qt::QueuedConnection);
    connect(&session_, &MouseSession::dpiLevelChanged, this,
            [this](int, std::int32_t stored) { showPopup(text("dpi_popup_text").arg(dpiNumberText(stored))); },
            Qt::QueuedConnection);
    connect(&session_, &MouseSession::activeProfileChanged, this,
            [this](int profile, MouseSession::ProfileCause cause) {
                if (cause == MouseSession::ProfileCause::mouse) showProfilePopup(profile);
            },
            Qt::QueuedConnection);
    trayIcon_->show();
    onPowerChanged();
}

TrayController::~TrayController() = default;

void TrayController::openTrayMenu() {
    delete trayMenu_;
    trayMenu_ = loadTrayMenu(&window_, [this](const MenuCommand& command) { onMenuCommand(command); });
    if (!trayMenu_) return;
    showTrayMenuChecks(trayMenu_);
    showTrayProfiles(trayMenu_, activeProfileIndex(session_.record()),
                     follower_ ? std::optional<bool>(follower_->rules().follow) : std::nullopt);
    trayMenu_->popup(trayMenuPosition(QCursor::pos()));
}

void TrayController::onMenuCommand(const MenuCommand& command) {
    if (const std::optional<int> profile = trayProfileOf(command)) {
        session_.selectProfile(*profile);
        return;
    }
    const std::initializer_list<std::pair<const char*, std::function<void()>>> commands{
        {"configuration", [this] { window_.bringForward(); }},
        {"autostart", [this] { switchStartAtLogin(&window_); }},
        {"battery_warnings", [this] { switchBatteryWarnings(&window_); }},
        {"exit", [this] { window_.requestQuit(); }},
        {"follow", [this] { if (follower_) switchFollowing(&window_, *follower_); }},
        {"language", [this, &command] { chooseLanguage(&window_, command.userData); }},
    };
    for (const auto& [name, run] : commands) {
        if (command.name == QLatin1String(name)) return run();
    }
}

// A mouse that was there and is gone is told; the window shows the rest.
void TrayController::onConnectionChanged() {
    const bool wasConnected = std::exchange(connected_, session_.anyLinkPresent());
    if (!wasConnected || connected_) return;
    qCDebug(lcApp, "told: mouse disconnected");
    notify_({text("disconnected_title_text"), text("disconnected_text"), false});
}

void TrayController::onPowerChanged() {
    const PowerReading reading = powerReading(session_.presence());
    const QString tip = trayToolTip(reading, window_.access().access.state);
    if (tip != trayIcon_->toolTip()) {
        trayIcon_->setToolTip(tip);
        qCDebug(lcApp, "tray: %s", qUtf8Printable(tip.section(QLatin1Char('\n'), 1)));
    }
    const bool lowMark = showsLowBatteryMark(reading);
    if (lowMark != lowBatteryMarkShown_) {
        lowBatteryMarkShown_ = lowMark;
        trayIcon_->setIcon(statusIcon(lowMark));
    }
    if (const auto due = batteryWarnings_.update(reading)) warnBattery(*due);
}

void TrayController::warnBattery(int percent) {
    const bool enabled = batteryWarningsEnabled();
    qCDebug(lcApp, "battery warning at %d%%%s", percent, enabled ? "" : " (switched off)");
    if (!enabled) return;
    notify_({text("battery_low_title_text"), text("battery_low_text").arg(percent),
             percent <= BatteryWarnings::kCriticalLevel * 10});
}

void TrayController::showProfilePopup(int profile) { showPopup(text("profile_popup_text").arg(profile + 1)); }

// Where the popup cannot be placed in its corner, the desktop's notification shows the switch
// where the desktop shows such things, and replaces itself at the next one.
void TrayController::showPopup(const QString& popupText) {
    if (!CDPIMsg::placeable()) {
        qCDebug(lcApp) << "popup:" << popupText << "as a notification";
        notify_({text("mouse_name_text"), popupText, false, true});
        return;
    }
    popupTimer_->start();
    if (popup_) {
        popup_->setText(popupText);
    } else {
        popup_ = new CDPIMsg(&window_, popupText);
        popup_->show();
    }
    qCDebug(lcApp) << "popup:" << popupText << "in a window";
}

void TrayController::closePopup() {
    if (!popup_) return;
    popup_->close();
    popup_ = nullptr;
    qCDebug(lcApp, "popup closed");
}

void TrayController::shutdown() {
    popupTimer_->stop();
    closePopup();
}

}  // namespace qx4::gui
