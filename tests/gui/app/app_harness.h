// A main window built as the program builds it, on fake driver libraries and with pages that
// record what reaches them, in a data folder of its own. Messages are real posted messages; the
// tests deliver them with deliverMessages() and fire timers with fire().
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_driver.h"
#include "gui/app/main_wnd.h"
#include "gui/macro/wireless_macro_ui.h"
#include "gui/pages/wireless_button_ui.h"
#include "gui/pages/wireless_page.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::gui::test {

class RecordingButtonPage final : public CWirelessButtonUI {
    Q_OBJECT
public:
    using CWirelessButtonUI::CWirelessButtonUI;
    void refreshFromRecord() override;
    int editedButton() const override { return openEditor; }
    void captureKey(std::uintptr_t virtualKey) override;
    void buttonClicked(int index) override;
    void closeEditor() override;

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
    void recordInput(std::uintptr_t wParam, std::intptr_t lParam) override;
    void captureStepKey(std::uintptr_t virtualKey) override;

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
    void deliverMessages();
    // Waits until the apply worker (another thread) has reported the end of `total` applies
    // since the window was built, finished or dropped.
    bool waitForAppliesEnded(int total);
    int appliesEnded() const { return traffic_.appliesEnded; }
    // wParam of every UM_APPLY_REQUEST the window received: 1 full, 0 incremental.
    const std::vector<std::uintptr_t>& applyRequests() const { return traffic_.applyRequests; }
    // The link settled: what the 1000 ms arrival timer does when it fires.
    void settleArrival(Link link);

    bool trayAvailable = true;
    FakeDriverBinder binder;

private:
    qx4::test::TempFolder dataFolder_;
    qx4::test::ScopedEnv dataEnv_;
    std::unique_ptr<CMainWnd> window_;
    struct Traffic {
        int appliesEnded = 0;
        std::vector<std::uintptr_t> applyRequests;
    };
    Traffic traffic_;
};

// Fires a running timer as if its interval had passed; false when it was not running.
bool fire(QTimer* timer);

template <typename Window>
Window* visibleTopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) return window;
    }
    return nullptr;
}

// Runs `answer` on the modal window of type Window once it is up, inside its own loop, while
// `open` runs; `answer` must close it. Returns how many such windows were found open at that
// moment.
template <typename Window>
int answerModal(const std::function<void(Window&)>& answer, const std::function<void()>& open) {
    int found = 0;
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible()) ++found;
        }
        if (Window* window = visibleTopLevel<Window>()) answer(*window);
    });
    open();
    return found;
}

}  // namespace qx4::gui::test
