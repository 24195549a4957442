// A main window built as the program builds it, on fake driver libraries, with a button page that
// records what reaches it, in a data folder of its own. The fake libraries post through the sink
// the mouse session gave them; tests deliver those messages and fire timers themselves.
#pragma once

#include <QAction>
#include <QSystemTrayIcon>
#include <QTimer>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

#include "core/device/notifications.h"
#include "gui/app/main_wnd.h"
#include "gui/app/tray_controller.h"
#include "gui/common/capture_service.h"
#include "gui/common/resource_manager.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"
#include "tests/support/device_fakes.h"
#include "tests/support/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui::test {

// Stands in for the button page: notes what the page hooks and its captures bring.
class RecordingPage final : public SettingsPage, public CaptureTarget {
    Q_OBJECT
public:
    using SettingsPage::SettingsPage;
    void refreshFromRecord() override {
        profileShown = context().data->record().activeProfile;
        ++refreshes;
    }
    void resetDone() override { ++resets; }
    void capturedInput(const CapturedInput& input) override { captured.push_back(input); }
    CaptureService& capture() const { return *context().capture; }

    int profileShown = -1;  // activeProfile at the last refresh
    int resets = 0;
    int refreshes = 0;
    std::vector<CapturedInput> captured;
};

struct HarnessOptions {
    bool receiverPresent = true;
    bool cablePresent = false;
    bool trayAvailable = true;
    bool startHidden = false;
    bool librariesMissing = false;
    bool realButtonPage = false;  // the program's own button page instead of the RecordingPage
    bool everyPageBuilt = true;   // every tab shown once at the start, the first one last
    std::string hookLibraryFile = "qx4_no_such_hook.so";
    std::function<void(const std::filesystem::path& dataRoot)> prepareData = nullptr;  // runs before the window starts
    AccessCheck access = {};  // what the window finds when it checks the mouse's hidraw nodes
    PauseFunction pauseAfterWrite = nullptr;  // unset: no pause at all
};

// Holds the apply worker in its pause after each write until the test lets a number of writes by.
class WriteGate {
public:
    void open(int writes);
    // Until the worker waits at the gate with no permit left.
    void waitUntilHeld();
    PauseFunction pause();

private:
    std::mutex mutex_;
    std::condition_variable_any opened_;
    std::condition_variable held_;
    int permits_ = 0;
    int waiting_ = 0;
};

class AppHarness {
public:
    explicit AppHarness(HarnessOptions options = {});
    ~AppHarness();

    CMainWnd& window() { return *window_; }
    TrayController& tray() { return *tray_; }
    CWirelessPage& page() { return *window_->wirelessPage(); }
    MouseSession& session() { return *session_; }
    RecordingPage& buttonPage() const { return *control<RecordingPage>("wireless_button_tab"); }
    template <typename Control>
    Control* control(const char* name) const {
        return window_->findChild<Control*>(QString::fromLatin1(name));
    }

    // As the program ends after its message loop: links closed, worker joined, hooks removed.
    void shutdown();
    // Delivers the posted messages, with whatever they post in turn.
    static void deliverMessages();
    // Captured input as the hook library posts it, from this thread.
    void sendHookInput(std::uintptr_t wParam, std::intptr_t lParam = 0);
    // A message to the mouse session, as a driver library posts it.
    void sendAsDriver(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    void click(const char* button);
    // A click on the tray icon: Trigger for the left button, Context for the right one.
    void clickTray(QSystemTrayIcon::ActivationReason reason);
    // The action of the tray menu, opened by a right click.
    QAction* trayAction(const char* name);
    // What a link's library posts: the device arriving or going, a status word from the mouse.
    void plug(Link link, bool present = true);
    void notify(Link link, std::uint16_t code, std::uint16_t value);
    // The link settled: what its 1000 ms arrival timer does.
    void settleArrival(Link link);
    // Changes the configuration as qx4ctl does while the program runs.
    void edit(const std::vector<std::string>& arguments);

    std::vector<std::vector<std::uint8_t>> reports(Link link);
    void failWrites(Link link, bool fail);
    // Reports with this command byte fail from now on (-1: none).
    void refuseReports(Link link, int command);
    // Waits for the apply worker (another thread) to have ended `total` applies since the start.
    bool waitForAppliesEnded(int total);
    // Every apply the pages and the profile bar asked for: 1 full, 0 incremental.
    std::vector<std::uintptr_t> applyRequests;
    int appliesEnded = 0;
    int timesShown = 0;  // show events of the main window, from before the first message on
    bool trayAvailable;  // what the window is told when it asks for a tray
    AccessCheck access;  // from HarnessOptions, for the checks from then on
    std::vector<DesktopNotice> notices;  // desktop notifications shown, in order

private:
    qx4::test::FakeDrivers::Library& library(Link link);

    qx4::test::FakeBinder binder_;
    qx4::test::TempFolder dataFolder_;
    qx4::test::ScopedEnv dataEnv_;
    // Built in this order, as the program builds them, and ended in the reverse.
    std::unique_ptr<MouseSession> session_;
    std::unique_ptr<CMainWnd> window_;
    std::unique_ptr<TrayController> tray_;
};

// Counts the events of one type that reach the object it filters.
class EventCounter final : public QObject {
public:
    EventCounter(QObject* parent, QEvent::Type type, int& count) : QObject(parent), type_(type), count_(count) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        count_ += event->type() == type_;
        return false;
    }

private:
    QEvent::Type type_;
    int& count_;
};

// Fires a running timer as if its interval had passed; false when it was not running.
bool fire(QTimer* timer);
// Runs the session's pending save of the data file now and waits for its end; false when none
// was pending or it did not end.
bool saveRecordNow(MouseSession& session);

inline QString text(const char* key) { return ResourceManager::instance().text(QString::fromLatin1(key)); }

}  // namespace qx4::gui::test
