// A main window built as the program builds it, on fake driver libraries and with pages that
// record what reaches them, in a data folder of its own. Messages are real posted messages (the
// fake libraries post theirs through the sink the window gave them); the tests deliver them with
// deliverMessages() and fire timers with fire().
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/app/main_wnd.h"
#include "gui/macro/wireless_macro_ui.h"
#include "gui/pages/wireless_button_ui.h"
#include "gui/pages/wireless_page.h"
#include "tests/core/device/device_fakes.h"
#include "tests/gui/pages/page_test_support.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui::test {

class RecordingButtonPage final : public CWirelessButtonUI {
    Q_OBJECT
public:
    using CWirelessButtonUI::CWirelessButtonUI;
    void refreshFromRecord() override {
        ++refreshes;
        profileShown = context().record->activeProfile;
    }
    int editedButton() const override { return openEditor; }
    void captureKey(std::uintptr_t virtualKey) override { capturedKeys.push_back(virtualKey); }
    void buttonClicked(int index) override { clickedButtons.push_back(index); }
    void closeEditor() override { ++editorsClosed; }

    int openEditor = -1;
    int refreshes = 0;
    int editorsClosed = 0;
    int profileShown = -1;  // activeProfile at the last refresh
    std::vector<std::uintptr_t> capturedKeys;
    std::vector<int> clickedButtons;
};

class RecordingMacroPage final : public CWirelessMacroUI {
    Q_OBJECT
public:
    using CWirelessMacroUI::CWirelessMacroUI;
    bool hasUnsavedChanges() const override { return unsaved; }
    void runSaveWarning() override { ++saveWarnings; }
    void recordInput(std::uintptr_t wParam, std::intptr_t lParam) override {
        recorded.emplace_back(wParam, lParam);
    }
    void captureStepKey(std::uintptr_t virtualKey) override { stepKeys.push_back(virtualKey); }

    bool unsaved = false;
    int saveWarnings = 0;
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> recorded;
    std::vector<std::uintptr_t> stepKeys;
};

struct HarnessOptions {
    bool receiverPresent = true;
    bool cablePresent = false;
    bool trayAvailable = true;
    bool startHidden = false;
    bool librariesMissing = false;
    std::string hookLibraryFile = "qx4_no_such_hook.so";
};

class AppHarness {
public:
    explicit AppHarness(HarnessOptions options = {});
    ~AppHarness();

    CMainWnd& window() { return *window_; }
    CWirelessPage& page() { return *window_->wirelessPage(); }
    RecordingButtonPage* buttonPage() const;
    RecordingMacroPage* macroPage() const;
    template <typename Control>
    Control* control(const char* name) const {
        return window_->findChild<Control*>(QString::fromLatin1(name));
    }

    void post(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // What a link's library reports: the device arriving or going, the mouse's status.
    void plug(Link link);
    void unplug(Link link);
    void notify(Link link, std::uint16_t code, std::uint16_t value);
    // Reports the link's library was given, and whether its writes succeed from now on.
    std::vector<std::vector<std::uint8_t>> reports(Link link);
    void failWrites(Link link, bool fail);
    void deliverMessages();
    // Waits until the apply worker (another thread) has reported the end of `total` applies
    // since the window was built, finished or dropped.
    bool waitForAppliesEnded(int total);
    // wParam of every UM_APPLY_REQUEST the window received: 1 full, 0 incremental.
    const std::vector<std::uintptr_t>& applyRequests() const { return traffic_.applyRequests; }
    // The link settled: what the 1000 ms arrival timer does when it fires.
    void settleArrival(Link link);

    bool trayAvailable = true;

private:
    qx4::test::FakeDrivers::Library& library(Link link);

    qx4::test::FakeBinder binder_;
    qx4::test::TempFolder dataFolder_;
    qx4::test::ScopedEnv dataEnv_;
    std::unique_ptr<CMainWnd> window_;
    struct Traffic {
        int appliesEnded = 0;
        std::vector<std::uintptr_t> applyRequests;
    } traffic_;
};

// Fires a running timer as if its interval had passed; false when it was not running.
bool fire(QTimer* timer);

}  // namespace qx4::gui::test
