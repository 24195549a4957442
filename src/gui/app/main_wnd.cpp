#include "gui/app/main_wnd.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>

#include "gui/app/about_wnd.h"
#include "gui/common/control_lookup.h"
#include "gui/common/diagnostics.h"
#include "gui/common/layout_loader.h"
#include "gui/common/msg_wnd.h"
#include "gui/common/resource_manager.h"
#include "gui/app/tray_absence.h"
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

CMainWnd::CMainWnd(MouseSession& session, MainWindowOptions options)
    : options_(std::move(options)), session_(session) {
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
    capture_ = std::make_unique<CaptureService>(hooks_);
    page_ = std::make_unique<CWirelessPage>(this, options_.controls, session_);
    pendingPrompt_ = std::make_unique<PendingEditsPrompt>(*page_, session_);
    // The connection at start is shown once the window is built and placed.
    connect(&session_, &MouseSession::linkPresenceChanged, this, &CMainWnd::onConnectionChanged, Qt::QueuedConnection);
    connect(&session_, &MouseSession::applyEnded, this, [this](quint64 ticket) {
        if (quitAfterApply_ && ticket >= *quitAfterApply_) {
            quitAfterApply_.reset();
            endProgram();
        }
    });
}

// The pages are widgets of this window, which would delete them only after its members; they may
// hold a capture, which ends through the capture service, so they go while it is still there. The
// focus leaves first, as it does when a window closes, while every control is still whole.
CMainWnd::~CMainWnd() {
    shutdown();
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    qDeleteAll(findChildren<SettingsPage*>());
}

void CMainWnd::initialize() {
    page_->initPage();
    session_.start(options_.drivers);
    setWindowIcon(statusIcon(false));
    setWindowTitle(text("mouse_name_text"));
    bindHooks();
    page_->setCapture(capture_.get());
    page_->loadAndDistribute();
    findControls();
}

void CMainWnd::bindHooks() {
    std::string error;
    if (!bindHookLibrary(hooks_, options_.hookLibraryFile, &error)) {
        qCDebug(lcApp, "GetError:%s", error.c_str());
    }
}

void CMainWnd::findControls() {
    connect(requireControl<QAbstractButton>(this, "exit_btn"), &QAbstractButton::clicked, this, &CMainWnd::closeToTray);
    connect(requireControl<QAbstractButton>(this, "min_btn"), &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(requireControl<QAbstractButton>(this, "main_menu_btn"), &QAbstractButton::clicked, this, [this] {
        CAboutWnd about(this);
        about.showModal();
    });
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
    const bool linked = session_.anyLinkPresent();
    if (!linked) selectDeviceTab(-1);
    refreshAccess();
    // A mouse closed to this user is shown as such when the user started the program.
    if (!startHidden && (linked || access_.mouseClosedToUser())) {
        show();
    } else {
        hideIntoTray();
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

void CMainWnd::bringForward() {
    if (!connected_) {
        refreshAccess();
        if (!access_.mouseClosedToUser()) {
            openNoDeviceWarning();
            return;
        }
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

// Without a tray there is nowhere to hide to, and an invisible program could only be reached by
// starting it again: the window stays on screen (showing that no mouse is connected when none is).
void CMainWnd::hideIntoTray() {
    if (options_.trayAvailable()) {
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
    if (connected_) bringForward();
}

void CMainWnd::onConnectionChanged() {
    connected_ = session_.anyLinkPresent();
    qCDebug(lcApp, "connection changed: %s", connected_ ? "connected" : "no mouse");
    refreshAccess();
    if (connected_) {
        selectDeviceTab(0);
        if (noDeviceWarning_) noDeviceWarning_->done(CMsgWnd::kCancelled);
    } else {
        selectDeviceTab(-1);
        // A mouse still on USB but closed to this user keeps the window that explains it.
        if (!access_.mouseClosedToUser()) hideIntoTray();
    }
}

void CMainWnd::refreshAccess() {
    access_ = options_.checkAccess();
    if (access_.mouseClosedToUser()) qCDebug(lcApp, "the mouse is on USB but closed to this user");
    if (noDevicePage_) showOnNoDevicePage(noDevicePage_, access_);
    if (connected_) {
        if (const QString problem = accessStatusText(access_); !problem.isEmpty()) page_->showStatus(problem, true);
    }
    Q_EMIT accessChecked();
}

void CMainWnd::endProgram() {
    hide();
    Q_EMIT quitRequested();
}

void CMainWnd::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    releaseHookLibrary(hooks_);
}

void CMainWnd::setFollower(FocusFollower* follower) {
    auto* rulesButton = requireControl<QAbstractButton>(this, "wireless_rules_btn");
    connect(rulesButton, &QAbstractButton::clicked, this, [this, follower = QPointer(follower)] {
        if (!follower) return;
        RulesWnd rules(this, *follower);
        rules.showModal();
    });
}

// Closing the window from the window manager does what "exit_btn" does.
void CMainWnd::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeToTray();
}

// Without a tray its "exit" cannot be reached, so closing the window is the way to end the program,
// once the user has said so.
void CMainWnd::closeToTray() {
    const bool tray = options_.trayAvailable();
    if (!tray && !confirmQuitWithoutTray(this)) return;
    leave(!tray);
}

// Edits the mouse does not hold yet are asked about here, once for either way out. An apply chosen
// on the way out is let finish before the program ends.
void CMainWnd::leave(bool quit) {
    const PendingEditsPrompt::Outcome settled = pendingPrompt_->ask(this);
    if (settled.answer == PendingEditsPrompt::Answer::asking) return;
    if (settled.answer == PendingEditsPrompt::Answer::stay) {
        if (!isVisible()) bringForward();  // to show why nothing was sent
        return;
    }
    if (quit && settled.ticket) {
        quitAfterApply_ = settled.ticket;
        hide();
    } else if (quit) {
        endProgram();
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
