// The mouse as the window works with it: the record the user edits, the macro store and the
// window's copy of what the mouse holds, both links, the apply worker, the saver of the data file
// and the tickets of the applies handed to the worker. It alone changes the record and the store:
// the pages through PageData, the device area, qx4ctl's requests and profile switching through its
// other calls; what happens comes out as signals, on the UI thread. The driver libraries post to it
// their numbered messages, which it turns into calls here alone; the worker's thread queues calls
// to it that carry copies of its reports.
#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "core/commands/edit_command.h"
#include "core/commands/send_result.h"
#include "core/config/config_file.h"
#include "core/config/device_config.h"
#include "core/device/apply_worker.h"
#include "core/device/device_link.h"
#include "core/device/device_observer.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"
#include "gui/common/page_data.h"

class QTimer;

namespace qx4::gui {

class RecordSaver;

// The apply the worker runs now, as far as it has come.
struct ApplyProgress {
    int reports = 0;            // it writes this many
    int done = 0;               // written so far
    bool sendsButtons = false;  // every macro and button report goes: the long kind
    SectionFlags notArrived;    // sections whose reports did not reach the mouse
    bool profileChoiceLost = false;  // nor did the choice of the active profile
};

class MouseSession final : public QObject, public PageData {
    Q_OBJECT
public:
    // Who made a profile the active one: the user in the window, qx4ctl or a rule (hand), or the
    // mouse's own profile button (mouse).
    enum class ProfileCause { hand, mouse };
    Q_ENUM(ProfileCause)

    MouseSession(DriverBinder& binder, PauseFunction pauseAfterWrite, QObject* parent = nullptr);
    ~MouseSession() override;

    // Starts the apply worker and opens both links; tells linkPresenceChanged.
    void start(DriverSet drivers);
    // Loads the macro store, the data file into the record, and the copy the mouse last took
    // (Config_1.mouse, or the record where there is none) as what the mouse holds: edits kept for
    // later show as not sent. The first apply is a full download.
    ConfigLoadResult load();
    // The start-up download, after the current event: the mouse gets whole what it last took,
    // never edits kept for later. An apply handed meanwhile (qx4ctl's) sends the record instead.
    // Tells activeProfileChanged, as the profile buttons do.
    void startDownload();
    // Links closed, worker stopped and joined, libraries released, the record saved when it differs
    // from the file, and every apply not ended yet ended as unavailable. Idempotent.
    void shutdown();

    // PageData: what the pages read and change.
    const DeviceConfig& record() const override { return current_; }
    const MacroList& macros() const override { return macros_; }
    bool edit(const std::function<bool(DeviceConfig&)>& change) override;
    MacroStoreChange addMacro(std::u16string_view baseText) override;
    MacroStoreChange importMacro(const std::filesystem::path& file) override;
    MacroStoreEdit removeMacro(std::size_t position) override;
    MacroStoreEdit storeMacro(std::size_t position, const MacroDraft& draft) override;
    MacroRename renameMacro(std::size_t position, std::u16string_view newName) override;
    // A profile file read over the active profile, adding the macros its bindings carry; announced
    // as a change of the store and the bindings when it was read.
    ProfileImportResult importProfile(const std::filesystem::path& file);

    const PresenceState& presence() const { return link_.presence(); }
    bool anyLinkPresent() const { return link_.presence().anyLinkPresent.load() == 1; }

    // Makes profile 0-4 the active one, as the profile buttons do, and has the mouse switch to it
    // (requestApply, whose end the status line tells). Tells activeProfileChanged. False, changing
    // nothing, for a profile that does not exist.
    bool selectProfile(int profile);
    // The record back to the defaults; the window then selects profile 1 as its button does.
    void resetToDefaults();
    // A command of qx4ctl's on the record and the macro store, saved at once: both files or
    // neither. When neither could be written the change is undone; otherwise it stays, and
    // changedOutside tells it. Nullopt when the data is not loaded yet.
    struct OutsideEdit {
        commands::EditOutcome outcome;
        DataFilesSave saved;
    };
    std::optional<OutsideEdit> runOutsideEdit(const commands::EditCommand& command);

    // An apply handed to the worker after the current event, as a user's action (a profile chosen,
    // an import, a reset) changes the record further before the worker's copy is taken.
    void requestApply(bool full);
    // The worker gets a copy of the record as it is now. Returns the ticket the apply's end will
    // carry; nullopt once the session has shut down.
    std::optional<std::uint64_t> apply(bool full);
    // Sections of the record the mouse lacks now, and those it will still lack once the applies
    // under way have ended.
    SectionFlags notOnMouse() const { return mouse_.unapplied(current_); }
    int editsNotSent() const;
    // An apply handed to the worker has not ended yet.
    bool applying() const { return appliesEnded_ < appliesHanded_; }
    // The record back to what the mouse holds once the applies under way have ended, and saved.
    void discardEdits();

    // The record, when it differs from the file, and the macro store, when asked for, as one
    // change: both files or neither, and why not.
    DataFilesSave saveDataFilesNow(bool withMacros);

Q_SIGNALS:
    // requestApply was called; the apply is handed to the worker after the current event.
    void applyRequested(bool full);
    // Whether either link is present changed; also told at start.
    void linkPresenceChanged();
    void sleepChanged(bool asleep);
    void chargingChanged(bool charging, bool onArrival);
    void batteryReported(int level);
    // After each of the four above: the links, sleep, charging or the battery level changed.
    void powerStateChanged();
    // The mouse switched the active profile to DPI level 0-7, which holds this stored value
    // (dpiNumberText says what DPI that is).
    void dpiLevelChanged(int level, std::int32_t storedValue);
    void activeProfileChanged(int profile, MouseSession::ProfileCause cause);
    // The mouse switched a setting by itself (a DPI level, the report rate, a lighting mode, the
    // profile): the record and the copy of what the mouse holds both have it.
    void switchedOnMouse();
    // A qx4ctl command changed the record or the macro store.
    void changedOutside(const commands::Effects& effects);
    // A page changed the record through edit(); that page shows it already.
    void recordEdited();
    // The macro store changed. When bindings holding its macros changed with it, every page shows
    // the record again.
    void macroStoreChanged(bool bindingsChanged);

    void applyStarted(const ApplyProgress& progress);
    void applyProgressed(const ApplyProgress& progress);
    // The copy of what the mouse holds has taken what arrived; the record is saved after this.
    void applyFinished(const ApplyProgress& progress, int sent, int failed);
    void applySkipped(ApplySkipReason reason);
    // The apply that apply() returned `ticket` for has ended, in the order they were handed.
    void applyEnded(quint64 ticket, const commands::SendResult& end);
    // The data file could not be written.
    void saveFailed(const std::filesystem::path& file);

protected:
    bool event(QEvent* event) override;

private:
    class Observer;
    class Reporter;

    void dispatchLinkMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // The worker's reports, on the UI thread.
    void onApplyStarted(const ApplyStart& start);
    void onReportWritten(const PlannedReport& planned, bool arrived, int done);
    void onApplyFinished(const ApplyOutcome& outcome);
    void onApplySkipped(ApplySkipReason reason);
    void endApply(const commands::SendResult& end);
    std::uint64_t hand(bool full, const DeviceConfig& record);
    void sendOwedDownload();
    // Config_1.mouse takes what the mouse holds, when that changed; a failure is told as saveFailed.
    void saveMouseCopyFile();
    // Saves the store after a change of it, and has the bindings take their macros' copies again.
    MacroStoreEdit macroStoreEdited(bool bindingsChanged);

    DeviceConfig current_{};
    MacroList macros_;
    bool loaded_ = false;
    std::unique_ptr<Observer> observer_;
    std::unique_ptr<Reporter> reporter_;
    DeviceLink link_;
    std::unique_ptr<ApplyWorker> worker_;
    RecordSaver* saver_;
    std::array<QTimer*, 2> arrivalTimers_{};  // "receiver_arrival_timer", "cable_arrival_timer"
    // What the mouse holds as the UI thread knows it from the worker's reports (the worker's own
    // copy is never read), and the copies handed to the worker since, oldest first.
    MouseCopy mouse_;
    std::deque<std::shared_ptr<const DeviceConfig>> handed_;
    std::shared_ptr<const DeviceConfig> startCopy_;  // for the start-up download, until it is handed
    std::unique_ptr<DeviceConfig> mouseCopyOnDisk_;  // what Config_1.mouse holds, when known
    bool downloadOwed_ = false;  // the mouse has had no full download yet, and one was dropped
    ApplyProgress running_;
    std::uint64_t appliesHanded_ = 0;
    std::uint64_t appliesEnded_ = 0;
    bool shutDown_ = false;
};

}  // namespace qx4::gui
