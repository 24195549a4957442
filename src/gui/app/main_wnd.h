// The program's one top-level window: an 800 x 572 frameless window that hosts the wireless page
// and the settings pages over the mouse session, and owns the input-hook library with the capture
// service, whose input reaches it. It shows itself only while a mouse is connected (or, when the
// mouse is there but closed to this user, to say how to open it), hides into the tray, and asks
// about edits not sent before the program ends.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/device/device_link.h"
#include "gui/app/access_notice.h"
#include "gui/app/pending_edits_prompt.h"
#include "gui/app/program_controls.h"
#include "gui/common/capture_service.h"
#include "gui/common/hook_table.h"

class QStackedWidget;

namespace qx4::gui {

class CMsgWnd;
class CWirelessPage;
class FocusFollower;
class MouseSession;

struct MainWindowOptions {
    DriverSet drivers = DriverSet::hardware;
    std::string hookLibraryFile = kHookLibraryFile;
    ControlFactory controls = programControls();
    // Asked each time the window would hide into the tray.
    std::function<bool()> trayAvailable;
    // Whether the mouse is on USB but closed to this user; unset: sysfs for the real mouse, never
    // for the virtual one.
    std::function<AccessCheck()> checkAccess;
};

class CMainWnd final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 572;

    CMainWnd(MouseSession& session, MainWindowOptions options = {});
    ~CMainWnd() override;

    // Builds everything behind the layout: wireless page, links, hook library, macro store,
    // configuration.
    void initialize();
    // Shown at start only when a mouse is connected and the command line was empty.
    void applyStartVisibility(bool startHidden);
    // After the message loop: hooks removed.
    void shutdown();
    // What the rules window works through.
    void setFollower(FocusFollower* follower);

    // A second start's request, a click on the tray icon and the tray menu's "configuration": the
    // window in front, or without a mouse the warning that says what to do.
    void bringForward();
    // The tray menu's "exit": edits not sent are asked about first.
    void requestQuit() { leave(true); }

    bool connected() const { return connected_; }
    const AccessCheck& access() const { return access_; }
    CWirelessPage* wirelessPage() const { return page_.get(); }
    const HookTable& hooks() const { return hooks_; }
    CaptureService& capture() { return *capture_; }

Q_SIGNALS:
    // The program ends once the message loop has returned.
    void quitRequested();
    // Whether the mouse is open to this user was checked again.
    void accessChecked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void findControls();
    void bindHooks();
    void selectDeviceTab(int index);

    void hideIntoTray();
    void closeToTray();
    void leave(bool quit);
    void openNoDeviceWarning();
    void onConnectionChanged();
    void refreshAccess();
    void endProgram();

    MainWindowOptions options_;
    MouseSession& session_;
    HookTable hooks_;
    // Before the pages, which may hold a capture that ends through it.
    std::unique_ptr<CaptureService> capture_;
    std::unique_ptr<CWirelessPage> page_;
    std::unique_ptr<PendingEditsPrompt> pendingPrompt_;
    std::optional<std::uint64_t> quitAfterApply_;  // the apply the user chose to end the program with
    QStackedWidget* deviceTabSwitch_ = nullptr;  // null until the controls are found
    QWidget* noDevicePage_ = nullptr;
    AccessCheck access_;
    bool connected_ = false;
    QPointer<CMsgWnd> noDeviceWarning_;  // while it is open
    bool shutDown_ = false;
};

}  // namespace qx4::gui
