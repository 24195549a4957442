// The device area behind the main window: the configuration record, the two links to the mouse
// and the apply worker, the profile bar, the tab bar over the four settings pages, the power
// area and the apply button. It finds its controls in the main window's layout, hands the pages
// their context and refreshes them, and turns what the mouse reports into what the user sees.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

#include "core/config/device_config.h"
#include "core/device/apply_worker.h"
#include "core/device/device_events.h"
#include "core/device/device_link.h"
#include "gui/pages/settings_page.h"

class QAbstractButton;
class QLabel;
class QProgressBar;
class QStackedWidget;
class QTimer;

namespace qx4::gui {

class CWirelessButtonUI;
class CWirelessDPIUI;
class CWirelessLightUI;
class CWirelessMacroUI;
class PowerDisplay;

class CWirelessPage final : public QObject, private DeviceEvents {
    Q_OBJECT
public:
    // Items of "wireless_tab_switch".
    enum TabIndex { kLightTab = 0, kButtonTab = 1, kDpiTab = 2, kMacroTab = 3 };

    // mainWindow holds the layout with the page's controls and receives every posted message.
    explicit CWirelessPage(QWidget* mainWindow, DriverBinder& binder = dlopenDriverBinder(),
                           PauseFunction pauseAfterWrite = pauseInterruptibly);
    ~CWirelessPage() override;

    // Finds the controls, starts the apply worker, opens both links and posts
    // UM_CONNECTION_CHANGED.
    void initPage(DriverSet drivers);
    // What the pages share besides the record, owned by the main window.
    void setReferences(MacroList* macros, const HookTable* hooks, CaptureFlags* captureFlags);
    // Loads the data file, gives every page its context, refreshes them and selects the active
    // profile's button, which asks for the first apply (a full download).
    void loadAndDistribute();

    // Driver messages (1329-1332) and the worker's reports (1334-1336); false for others.
    bool handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // UM_APPLY_REQUEST: the worker gets a copy of the record as it is now.
    void requestApply(bool full);

    // Links closed, worker stopped and joined, libraries released. Idempotent.
    void shutdown();

    bool anyLinkPresent() const { return link_.presence().anyLinkPresent.load() == 1; }
    const PresenceState& presence() const { return link_.presence(); }
    DeviceConfig& record() { return current_; }

private:
    struct Controls {
        QAbstractButton* lightTabButton = nullptr;
        QAbstractButton* buttonTabButton = nullptr;
        QAbstractButton* dpiTabButton = nullptr;
        QAbstractButton* macroTabButton = nullptr;
        std::array<QAbstractButton*, kProfileCount> profileButtons{};
        QAbstractButton* exportProfileButton = nullptr;
        QAbstractButton* importProfileButton = nullptr;
        QAbstractButton* resetProfileButton = nullptr;
        QAbstractButton* applyButton = nullptr;
        QStackedWidget* tabSwitch = nullptr;
        QWidget* applyRing = nullptr;
        QLabel* applyStatus = nullptr;
        CWirelessButtonUI* buttonPage = nullptr;
        CWirelessDPIUI* dpiPage = nullptr;
        CWirelessLightUI* lightPage = nullptr;
        CWirelessMacroUI* macroPage = nullptr;
    };

    // Posts to the main window from the worker thread; never touches a widget.
    class ApplyReporter final : public ApplyListener {
    public:
        explicit ApplyReporter(QObject* target) : target_(target) {}
        void applyStarted() override;
        void reportWritten(const FeatureReport& report, const WriteResult& result) override;
        void applyFinished(const ApplyOutcome& outcome) override;
        void applySkipped(ApplySkipReason reason) override;

    private:
        QObject* target_;
    };

    void findControls();
    void connectControls();
    std::array<SettingsPage*, 4> pages() const;

    void onClick(QAbstractButton* sender);
    void onSelectChanged(QAbstractButton* sender);
    void selectWithNotification(QAbstractButton* button);
    void selectTab(int index);
    void resetConfiguration();

    void onApplyStarted();
    void onApplyFinished(int sent, int failed);
    void onApplySkipped(ApplySkipReason reason);
    void showStatus(const QString& text, bool problem);
    void saveCurrentRecord();

    // DeviceEvents
    void showSleepLabel(bool shown) override;
    void showCharging(bool on, bool restartAnimation) override;
    void showBattery(int level) override;
    void highlightDpiLevel(int level) override;
    void selectProfileButton(int profile) override;
    void refreshPages() override;
    void saveRecord() override;
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void startArrivalTimer(Link link) override;
    void cancelArrivalTimer(Link link) override;

    QWidget* mainWindow_;
    qx4_message_sink sink_;
    PageContext context_;
    DeviceConfig current_{};
    ApplyReporter reporter_;
    DeviceLink link_;
    std::unique_ptr<ApplyWorker> worker_;
    Controls controls_;
    PowerDisplay* power_ = nullptr;
    std::array<QTimer*, 2> arrivalTimers_{};  // "receiver_arrival_timer", "cable_arrival_timer"
    bool statusIsNote_ = false;  // the status line holds a note, not a problem
    bool shutDown_ = false;
};

}  // namespace qx4::gui
