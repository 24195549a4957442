#include "gui/app/main_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

#include "core/device/reports.h"
#include "gui/app/about_wnd.h"
#include "gui/common/app_settings.h"
#include "gui/common/control_lookup.h"
#include "gui/common/diagnostics.h"
#include "gui/app/dpi_msg.h"
#include "gui/common/dpi_text.h"
#include "gui/common/layout_loader.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/app/tray_absence.h"
#include "gui/app/tray_menu.h"
#include "gui/app/tray_status.h"
#include "gui/common/window_drag.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/rules_wnd.h"
#include "gui/common/settings_page.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

namespace {
AccessCheck mouseAlwaysOpen() { return {}; }
}  // namespace

CMainWnd::CMainWnd(MainWindowOptions options)
    : options_(std::move(options)), popupTimer_(new QTimer(this)) {
    if (!options_.trayAvailable) options_.trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    if (!options_.checkAccess) {
        options_.checkAccess = options_.drivers == DriverSet::hardware ? &checkAccessNow : &mouseAlwaysOpen;
    }
    setObjectName(QStringLiteral("main_window"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(kWidth, kHeight);

    const ControlFactory& factory = options_.controls;
    loadLayoutInto(this, QStringLiteral("main.xml"),
                   [&factory](const QString& className, QWidget* parent) {
                       return factory.create(className, parent);
                   });
    session_ = std::make_unique<MouseSession>(options_.driverBinder ? *options_.driverBinder : dlopenDriverBinder(),
                                              options_.pauseAfterWrite);
    page_ = std::make_unique<CWirelessPage>(this, options_.controls, *session_);
    capture_ = std::make_unique<CaptureService>(hooks_);
    connectSession();
    pendingPrompt_ = std::make_unique<PendingEditsPrompt>(*page_, *session_);

    popupTimer_->setObjectName(QStringLiteral("dpi_popup_timer"));
    popupTimer_->setSingleShot(true);
    popupTimer_->setInterval(kPopupMilliseconds);
    connect(popupTimer_, &QTimer::timeout, this, &CMainWnd::closePopup);
}

// The pages are widgets of this window, which would delete them only after its members; they may
// hold a capture, which ends through the capture service, so they go while it is still there. The
// focus leaves first, as it does when a window closes, while every control is still whole.
CMainWnd::~CMainWnd() {
    shutdown();
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    qDeleteAll(findChildren<SettingsPage*>());
}

void CMainWnd::connectSession() {
    MouseSession* session = session_.get();
    connect(session, &MouseSession::powerStateChanged, this, &CMainWnd::onPowerChanged);
    // The mouse's news is told after the notification that brought it has been handled, and the
    // connection at start once the window is built and placed.
    connect(session, &MouseSession::linkPresenceChanged, this, &CMainWnd::onConnectionChanged, Qt::QueuedConnection);
    connect(session, &MouseSession::dpiLevelChanged, this,
            [this](int, std::int32_t stored) { showPopup(text("dpi_popup_text").arg(dpiNumberText(stored))); }, Qt::QueuedConnection);
    connect(session, &MouseSession::activeProfileChanged, this,
            [this](int profile, MouseSession::ProfileCause cause) {
                if (cause == MouseSession::ProfileCause::mouse) showProfilePopup(profile);
            },
            Qt::QueuedConnection);
    connect(session, &MouseSession::applyEnded, this, [this](quint64 ticket) {
        if (quitAfterApply_ && ticket >= *quitAfterApply_) {
            quitAfterApply_.reset();
            destroyWindow();
        }
    });
}

void CMainWnd::initialize() {
    page_->initPage();
    session_->start(options_.drivers);
    setWindowIcon(statusIcon(false));
    setWindowTitle(text("mouse_name_text"));
    createTrayIcon();
    bindHooks();
    loadMacros(macros_);
    page_->setReferences(&macros_, capture_.get());
    page_->loadAndDistribute();
    findControls();
}

void CMainWnd::createTrayIcon() {
    trayIcon_ = new QSystemTrayIcon(statusIcon(false), this);
    trayIcon_->setToolTip(text("mouse_name_text"));
    if (!options_.notify) {
        auto* notifier = new DesktopNotifier(trayIcon_, this);
        options_.notify = [notifier](const DesktopNotice& notice) { notifier->notify(notice); };
    }
    connect(trayIcon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    showFromTray();
                } else if (reason == QSystemTrayIcon::Context) {
                    openTrayMenu();
                }
            });
    trayIcon_->show();
    onPowerChanged();
}

void CMainWnd::bindHooks() {
    std::string error;
    if (!bindHookLibrary(hooks_, options_.hookLibraryFile, &error)) {
        qCDebug(lcApp, "GetError:%s", error.c_str());
    }
}

void CMainWnd::findControls() {
    for (const char* name : {"main_menu_btn", "min_btn", "exit_btn"}) {
        auto* button = requireControl<QAbstractButton>(this, name);
        connect(button, &QAbstractButton::clicked, this, [this, button] { onClick(button); });
    }
    for (int index = 0; index < 3; ++index) {
        auto* option = requireControl<QAbstractButton>(this, QStringLiteral("option_device_%1").arg(index + 1));
        connect(option, &QAbstractButton::toggled, this, [this, index](bool checked) {
            if (checked) selectDeviceTab(index);
        });
    }
    deviceTabSwitch_ = requireControl<QStackedWidget>(this, "device_tab_switch");
    noDevicePage_ = requireControl<QWidget>(deviceTabSwitch_, "no_device_page");
    makeWindowDraggable(requireControl<QWidget>(this, "title_bar"));
}

void CMainWnd::applyStartVisibility(bool startHidden) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    }
    const bool linked = session_->anyLinkPresent();
    if (!linked) selectDeviceTab(-1);
    refreshAccess();
    // A mouse closed to this user is shown as such when the user started the program.
    if (!startHidden && (linked || access_.mouseClosedToUser())) {
        show();
    } else {
        hideIntoTray();
    }
}

void CMainWnd::onClick(QAbstractButton* sender) {
    const QString name = sender->objectName();
    if (name == QLatin1String("exit_btn")) {
        closeToTray();
    } else if (name == QLatin1String("min_btn")) {
        showMinimized();
    } else if (name == QLatin1String("main_menu_btn")) {
        openAbout();
    }
}

// Index -1 means no device: the stack shows its page for that.
void CMainWnd::selectDeviceTab(int index) {
    if (!deviceTabSwitch_) return;
    if (index >= 0) {
        deviceTabSwitch_->setCurrentIndex(index);
    } else {
        deviceTabSwitch_->setCurrentWidget(noDevicePage_);
    }
}

void CMainWnd::showPlain() { bringForward(false); }

void CMainWnd::showFromTray() { bringForward(true); }

void CMainWnd::bringForward(bool showOnlyIfHidden) {
    if (!connected_) {
        refreshAccess();
        if (!access_.mouseClosedToUser()) {
            openNoDeviceWarning();
            return;
        }
    }
    if (!showOnlyIfHidden || !isVisible()) show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

// Without a tray there is nowhere to hide to, and an invisible program could only be reached by
// starting it again: the window stays on screen (showing that no mouse is connected when none is).
void CMainWnd::hideIntoTray() {
    if (trayAvailable()) {
        hide();
    } else if (!isVisible()) {
        show();
    }
}

// The warning waits for the mouse: one that is found while it is open closes it and opens the
// window the user asked for.
void CMainWnd::openNoDeviceWarning() {
    if (noDeviceWarning_) return;
    CMsgWnd warning(this, QStringLiteral("no_device_title_text"), QStringLiteral("no_device_text"));
    warning.showAsNotice(QStringLiteral("close_text"));
    const NoDeviceAdvice advice = noDeviceAdvice(access_, options_.drivers == DriverSet::virtualMouse);
    warning.setDetails(advice.text, advice.command);
    noDeviceWarning_ = &warning;
    warning.showModal();
    noDeviceWarning_ = nullptr;
    if (connected_) showPlain();
}

void CMainWnd::openAbout() {
    CAboutWnd about(this);
    about.showModal();
}

void CMainWnd::openTrayMenu() {
    delete trayMenu_;
    trayMenu_ = loadTrayMenu(this, [this](const MenuCommand& command) { onMenuCommand(command); });
    if (!trayMenu_) return;
    showTrayMenuChecks(trayMenu_);
    showTrayProfiles(trayMenu_, activeProfileIndex(session_->record()),
                     follower_ ? std::optional<bool>(follower_->rules().follow) : std::nullopt);
    trayMenu_->popup(trayMenuPosition(QCursor::pos()));
}

void CMainWnd::onMenuCommand(const MenuCommand& command) {
    if (command.name.compare(QLatin1String("configuration"), Qt::CaseInsensitive) == 0) {
        showPlain();
    } else if (command.name.compare(QLatin1String("autostart"), Qt::CaseInsensitive) == 0) {
        switchStartAtLogin(this);
    } else if (command.name.compare(QLatin1String("battery_warnings"), Qt::CaseInsensitive) == 0) {
        switchBatteryWarnings(this);
    } else if (command.name.compare(QLatin1String("exit"), Qt::CaseInsensitive) == 0) {
        leave(true);
    } else if (const std::optional<int> profile = trayProfileOf(command)) {
        session_->selectProfile(*profile);
    } else if (command.name == QLatin1String("follow") && follower_) {
        switchFollowing(this, *follower_);
    } else if (command.name == QLatin1String("language")) {
        chooseLanguage(this, command.userData);
    }
}

void CMainWnd::onConnectionChanged() {
    const bool wasConnected = connected_;
    connected_ = session_->anyLinkPresent();
    qCDebug(lcApp, "connection changed: %s", connected_ ? "connected" : "no mouse");
    refreshAccess();
    if (connected_) {
        selectDeviceTab(0);
        if (noDeviceWarning_) noDeviceWarning_->done(CMsgWnd::kCancelled);
    } else {
        selectDeviceTab(-1);
        // A mouse still on USB but closed to this user keeps the window that explains it.
        if (!access_.mouseClosedToUser()) hideIntoTray();
        if (wasConnected) tellDisconnected();
    }
}

void CMainWnd::refreshAccess() {
    access_ = options_.checkAccess();
    if (access_.mouseClosedToUser()) qCDebug(lcApp, "the mouse is on USB but closed to this user");
    if (noDevicePage_) showOnNoDevicePage(noDevicePage_, access_);
    if (connected_) {
        if (const QString problem = accessStatusText(access_); !problem.isEmpty()) page_->showStatus(problem, true);
    }
    onPowerChanged();
}

void CMainWnd::onPowerChanged() {
    const PowerReading reading = powerReading(session_->presence());
    if (trayIcon_) {
        const QString tip = trayToolTip(reading, access_.access.state);
        if (tip != trayIcon_->toolTip()) {
            trayIcon_->setToolTip(tip);
            qCDebug(lcApp, "tray: %s", qUtf8Printable(tip.section(QLatin1Char('\n'), 1)));
        }
        const bool lowMark = showsLowBatteryMark(reading);
        if (lowMark != lowBatteryMarkShown_) {
            lowBatteryMarkShown_ = lowMark;
            trayIcon_->setIcon(statusIcon(lowMark));
        }
    }
    if (const auto due = batteryWarnings_.update(reading)) warnBattery(*due);
}

void CMainWnd::warnBattery(int percent) {
    const bool enabled = batteryWarningsEnabled();
    qCDebug(lcApp, "battery warning at %d%%%s", percent, enabled ? "" : " (switched off)");
    if (!enabled || !options_.notify) return;
    options_.notify({text("battery_low_title_text"), text("battery_low_text").arg(percent),
                     percent <= BatteryWarnings::kCriticalLevel * 10});
}

void CMainWnd::tellDisconnected() {
    qCDebug(lcApp, "told: mouse disconnected");
    if (options_.notify) options_.notify({text("disconnected_title_text"), text("disconnected_text"), false});
}

void CMainWnd::showProfilePopup(int profile) { showPopup(text("profile_popup_text").arg(profile + 1)); }

// Where the popup cannot be placed in its corner, the desktop's notification shows the switch
// where the desktop shows such things, and replaces itself at the next one.
void CMainWnd::showPopup(const QString& popupText) {
    if (!CDPIMsg::placeable()) {
        qCDebug(lcApp) << "popup:" << popupText << "as a notification";
        if (options_.notify) options_.notify({text("mouse_name_text"), popupText, false, true});
        return;
    }
    popupTimer_->start();
    if (popup_) {
        popup_->setText(popupText);
    } else {
        popup_ = new CDPIMsg(this, popupText);
        popup_->show();
    }
    qCDebug(lcApp) << "popup:" << popupText << "in a window";
}

void CMainWnd::closePopup() {
    if (!popup_) return;
    popup_->close();
    popup_ = nullptr;
    qCDebug(lcApp, "popup closed");
}

void CMainWnd::destroyWindow() {
    closePopup();
    hide();
    if (trayIcon_) trayIcon_->hide();
    Q_EMIT quitRequested();
}

void CMainWnd::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    popupTimer_->stop();
    closePopup();
    session_->shutdown();
    releaseHookLibrary(hooks_);
}

void CMainWnd::setFollower(FocusFollower* follower) {
    follower_ = follower;
    auto* rulesButton = requireControl<QAbstractButton>(this, "wireless_rules_btn");
    connect(rulesButton, &QAbstractButton::clicked, this, [this] {
        if (!follower_) return;
        RulesWnd rules(this, *follower_);
        rules.showModal();
    });
}

bool CMainWnd::trayAvailable() const { return options_.trayAvailable(); }

// Closing the window from the window manager does what "exit_btn" does.
void CMainWnd::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeToTray();
}

// Without a tray its "exit" cannot be reached, so closing the window is the way to end the program,
// once the user has said so.
void CMainWnd::closeToTray() {
    const bool tray = trayAvailable();
    if (!tray && !confirmQuitWithoutTray(this)) return;
    leave(!tray);
}

// Edits the mouse does not hold yet are asked about here, once for either way out. An apply chosen
// on the way out is let finish before the program ends.
void CMainWnd::leave(bool quit) {
    const PendingEditsPrompt::Outcome settled = pendingPrompt_->ask(this);
    if (settled.answer == PendingEditsPrompt::Answer::asking) return;
    if (settled.answer == PendingEditsPrompt::Answer::stay) {
        if (!isVisible()) showPlain();  // to show why nothing was sent
        return;
    }
    if (quit && settled.ticket) {
        quitAfterApply_ = settled.ticket;
        hide();
    } else if (quit) {
        destroyWindow();
    } else {
        hide();
    }
}

void CMainWnd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) qCDebug(lcApp, "main window shown");
}

// A text field that had the keyboard would blink its cursor again when the window comes back;
// leaving it takes what was typed, as a click elsewhere does.
void CMainWnd::hideEvent(QHideEvent* event) {
    if (auto* field = qobject_cast<QLineEdit*>(focusWidget())) field->clearFocus();
    QWidget::hideEvent(event);
    if (!event->spontaneous()) qCDebug(lcApp, "main window hidden");
}

}  // namespace qx4::gui
