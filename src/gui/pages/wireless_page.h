// The device area behind the main window: the configuration record, the two links to the mouse
// and the apply worker, the profile bar, the tab bar over the settings pages, the power area and
// the apply button. It builds one tab and one page per row of the page table, hands the pages
// their context, tells them what happened through their hooks, and turns what the mouse reports
// into what the user sees.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/commands/edit_command.h"
#include "core/config/device_config.h"
#include "core/device/apply_worker.h"
#include "core/device/device_observer.h"
#include "core/device/device_link.h"
#include "gui/pages/apply_feedback.h"
#include "gui/pages/settings_page.h"

class QAbstractButton;
class QLabel;
class QStackedWidget;
class QTimer;

namespace qx4::gui {

class ControlFactory;
class PowerDisplay;
class RecordSaver;

class CWirelessPage final : public QObject, public PageHost, private DeviceObserver {
    Q_OBJECT
public:
    // mainWindow holds the layout with the page's controls and receives every posted message;
    // the pages come from `controls` by the class names of the page table.
    CWirelessPage(QWidget* mainWindow, const ControlFactory& controls,
                  DriverBinder& binder = dlopenDriverBinder(),
                  PauseFunction pauseAfterWrite = pauseInterruptibly);
    ~CWirelessPage() override;

    // Finds the controls, builds the tabs and pages, starts the apply worker, opens both links and
    // tells linkPresenceChanged.
    void initPage(DriverSet drivers);
    // What the pages share besides the record, owned by the main window.
    void setReferences(MacroList* macros, CaptureService* capture);
    // Loads the data file, gives every page its context, refreshes them and selects the active
    // profile's button, which asks for the first apply (a full download).
    void loadAndDistribute();

    // Driver messages (1329-1332) and the worker's reports (1334-1336); false for others.
    bool handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // The worker gets a copy of the record as it is now. Returns the ticket the apply's end will
    // carry; nullopt once the page has shut down.
    std::optional<std::uint64_t> apply(bool full);
    // What Apply does first: edits still open on the pages are stored. False, with a word in the
    // status line, when one would store nothing and stays open.
    bool takeOpenEdits();
    // Sections of the record the mouse will not hold once the applies under way have ended.
    int editsNotSent() const;
    // The record goes back to what the mouse holds (once the applies under way have ended), the
    // pages show it and the data file is written.
    void discardEdits();
    // Told of the end of every apply handed to the worker, by ticket and in order; an apply the
    // end of the program cut off ends as unavailable.
    using ApplyEndListener = std::function<void(std::uint64_t ticket, const commands::SendResult& end)>;
    void setApplyEndListener(ApplyEndListener listener) { applyEndListener_ = std::move(listener); }
    // The page made for a row of the page table.
    SettingsPage* page(const PageKind& kind) const;

    // Links closed, worker stopped and joined, libraries released, and the record saved when it
    // differs from the file (an apply cut short by the end of the program would otherwise leave
    // the mouse and the file disagreeing). Idempotent.
    void shutdown();

    // For changes from outside the pages (qx4ctl, through the instance socket).
    MacroList* macroStore() const { return context_.macros; }
    bool pagesHoldUnsavedEdits() const;
    // The record, when it differs from the file, and the macro store, when asked for, as one
    // change: both files or neither, and why not.
    DataFilesSave saveDataFilesNow(bool withMacros);
    // Shows a change made outside the pages as their own edits show: the profile bar, every page
    // and the macro lists; after a reset, edits in progress end.
    void showOutsideChange(const commands::Effects& effects);

    bool anyLinkPresent() const { return link_.presence().anyLinkPresent.load() == 1; }
    const PresenceState& presence() const { return link_.presence(); }
    DeviceConfig& record() { return current_; }

    // The status line below the pages: a problem in the danger colour, or a note.
    void showStatus(const QString& text, bool problem);

    // PageHost
    void requestApply(bool full) override;
    void recordChanged() override;
    void macroStoreChanged() override;
    void recordEdited() override;

Q_SIGNALS:
    // The links, sleep, charging or the battery level changed (presence() holds them).
    void powerStateChanged();
    // The apply that apply() returned `ticket` for has ended.
    void applyTicketEnded(quint64 ticket);
    // A page or the profile bar asked for an apply; it is handed to the worker after the current event.
    void applyRequested(bool full);
    // Whether either link is present changed (anyLinkPresent() holds it); also told at start.
    void linkPresenceChanged();
    // The mouse switched to the DPI level of this value, or to profile 0-4.
    void dpiChanged(int dpi);
    void profileSwitched(int profile);

private:
    struct Controls {
        std::array<QAbstractButton*, kProfileCount> profileButtons{};
        QAbstractButton* exportProfileButton = nullptr;
        QAbstractButton* importProfileButton = nullptr;
        QAbstractButton* resetProfileButton = nullptr;
        QAbstractButton* applyButton = nullptr;
        QStackedWidget* tabSwitch = nullptr;
        QWidget* applyRing = nullptr;
        QLabel* applyStatus = nullptr;
    };
    struct Tab {
        const PageKind* kind;
        QAbstractButton* button;
        SettingsPage* page;
    };

    void findControls();
    void buildTabs();
    void connectControls();

    void onClick(QAbstractButton* sender);
    void onTabChosen(const Tab& tab);
    void onProfileChosen(int profile);
    void selectProfileWithNotification(int profile);
    void resetConfiguration();

    void onApplyStarted(int reports, bool sendsButtons);
    void onApplyFinished(int sent, int failed);
    void onApplySkipped(ApplySkipReason reason);
    void applyEnded(const commands::SendResult& end);
    bool applying() const { return appliesEnded_ < appliesHanded_; }
    void selectProfileButtonQuietly(int profile);
    void noteMacroStoreProblem();

    // DeviceObserver
    void sleepChanged(bool asleep) override;
    void chargingChanged(bool charging, bool onArrival) override;
    void batteryReported(int level) override;
    void dpiLevelChanged(int level, std::int32_t dpiHundreds) override;
    void profileChanged(int profile) override;
    void refreshPages();
    void recordChangedByMouse() override;
    void connectionChanged(bool anyLinkPresent) override;
    void startArrivalTimer(Link link) override;
    void cancelArrivalTimer(Link link) override;

    QWidget* mainWindow_;
    const ControlFactory& controlFactory_;
    qx4_message_sink sink_;
    PageContext context_;
    DeviceConfig current_{};
    ApplyReporter reporter_;
    DeviceLink link_;
    std::unique_ptr<ApplyWorker> worker_;
    Controls controls_;
    std::vector<Tab> tabs_;  // in page-table order, which is the order of the tab layout's items
    const Tab* shownTab_ = nullptr;
    PowerDisplay* power_ = nullptr;
    ApplyFeedback* feedback_ = nullptr;
    RecordSaver* saver_;
    std::array<QTimer*, 2> arrivalTimers_{};  // "receiver_arrival_timer", "cable_arrival_timer"
    bool statusIsNote_ = false;  // the status line holds a note, not a problem
    QString macroStoreProblem_;  // why macro.data is not saved; shown whenever nothing else is
    bool shutDown_ = false;
    ApplyEndListener applyEndListener_;
    std::uint64_t appliesHanded_ = 0;
    std::uint64_t appliesEnded_ = 0;
};

}  // namespace qx4::gui
