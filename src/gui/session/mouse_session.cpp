#include "gui/session/mouse_session.h"

#include <QTimer>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/config/record_bytes.h"
#include "core/edit/macro_bindings.h"
#include "gui/common/diagnostics.h"
#include "gui/common/queued_call.h"
#include "gui/common/window_message.h"
#include "gui/session/record_saver.h"

namespace qx4::gui {

// Called on the worker's thread: queues the session's call with a copy of what it was told, and
// never touches the session itself.
class MouseSession::Reporter final : public ApplyListener {
public:
    explicit Reporter(MouseSession& session) : session_(&session) {}

    void applyStarted(const ApplyStart& start) override {
        queueCall(session_, [session = session_, start] { session->onApplyStarted(start); });
    }
    void reportWritten(const PlannedReport& planned, const WriteResult& result, int done) override {
        qCDebug(lcApp, "report 0x%02x over the %s: %s", planned.report.bytes[0],
                linkParameters(result.link).name.data(), result.written ? "written" : "failed");
        queueCall(session_, [session = session_, planned, arrived = result.written, done] {
            session->onReportWritten(planned, arrived, done);
        });
    }
    void applyFinished(const ApplyOutcome& outcome) override {
        queueCall(session_, [session = session_, outcome] { session->onApplyFinished(outcome); });
    }
    void applySkipped(ApplySkipReason reason) override {
        queueCall(session_, [session = session_, reason] { session->onApplySkipped(reason); });
    }

private:
    MouseSession* session_;
};

// What the link tells, as the session's signals; the link calls it while it handles a message.
class MouseSession::Observer final : public DeviceObserver {
public:
    explicit Observer(MouseSession& session) : session_(session) {}

    void connectionChanged(bool) override {
        Q_EMIT session_.linkPresenceChanged();
        Q_EMIT session_.powerStateChanged();
    }
    void sleepChanged(bool asleep) override {
        if (!asleep) session_.sendOwedDownload();
        Q_EMIT session_.sleepChanged(asleep);
        Q_EMIT session_.powerStateChanged();
    }
    void chargingChanged(bool charging, bool onArrival) override {
        Q_EMIT session_.chargingChanged(charging, onArrival);
        Q_EMIT session_.powerStateChanged();
    }
    // The power area and the tray take every level together, from the sleep status and from the
    // plain battery notification alike.
    void batteryReported(int level) override {
        Q_EMIT session_.batteryReported(level);
        Q_EMIT session_.powerStateChanged();
    }
    void dpiLevelChanged(int level, std::int32_t storedValue) override {
        Q_EMIT session_.dpiLevelChanged(level, storedValue);
    }
    void profileChanged(int profile) override {
        Q_EMIT session_.activeProfileChanged(profile, ProfileCause::mouse);
    }
    void recordChangedByMouse() override { session_.saver_->requestSave(); }
    void startArrivalTimer(Link link) override { session_.arrivalTimers_[static_cast<std::size_t>(link)]->start(); }
    void cancelArrivalTimer(Link link) override { session_.arrivalTimers_[static_cast<std::size_t>(link)]->stop(); }

private:
    MouseSession& session_;
};

MouseSession::MouseSession(DriverBinder& binder, PauseFunction pauseAfterWrite, QObject* parent)
    : QObject(parent),
      observer_(std::make_unique<Observer>(*this)),
      reporter_(std::make_unique<Reporter>(*this)),
      link_(current_, *observer_, binder, std::move(pauseAfterWrite)),
      saver_(new RecordSaver(
          current_, [this](const std::filesystem::path& file) { Q_EMIT saveFailed(file); }, this)) {
    setObjectName(QStringLiteral("mouse_session"));
    for (Link link : kLinks) {
        auto* timer = new QTimer(this);
        timer->setObjectName(QString::fromLatin1(linkParameters(link).name.data()) +
                             QStringLiteral("_arrival_timer"));
        timer->setSingleShot(true);
        timer->setInterval(kArrivalSettleMilliseconds);
        connect(timer, &QTimer::timeout, this, [this, link] { link_.completeArrival(link); });
        arrivalTimers_[static_cast<std::size_t>(link)] = timer;
    }
    // After the event that asked for it: see requestApply.
    connect(this, &MouseSession::applyRequested, this, [this](bool full) {
        if (startCopy_ && worker_ && !shutDown_) {
            hand(full, *std::exchange(startCopy_, nullptr));
        } else {
            apply(full);
        }
    }, Qt::QueuedConnection);
}

MouseSession::~MouseSession() { shutdown(); }

void MouseSession::start(DriverSet drivers) {
    worker_ = std::make_unique<ApplyWorker>(link_, link_.presence(), *reporter_);
    link_.start(messageSinkFor(this), drivers);
}

ConfigLoadResult MouseSession::load() {
    loadMacros(macros_);
    loaded_ = true;
    const ConfigLoadResult loaded = loadConfig(current_, macros_.size());
    const bool misfit = loaded.damaged || loaded.overlong;
    // The saver compares with what the file holds. A file that was damaged, overlong or repaired
    // does not hold the record, which is then written at the next occasion; a file that could not
    // be read, or whose misfit could not be kept aside, may hold what the user has and is left alone.
    if (loaded.unreadable || (misfit && loaded.damagedCopy.empty())) {
        saver_->leaveFileAlone();
    } else if (!misfit && !loaded.rangeRepaired) {
        saver_->fileHolds(current_);
    }
    std::shared_ptr<const DeviceConfig> held;
    if (auto copy = readMouseCopy(macros_.size())) {
        mouseCopyOnDisk_ = std::make_unique<DeviceConfig>(*copy);
        held = std::move(copy);
    } else {
        held = std::make_shared<const DeviceConfig>(current_);
    }
    if (worker_) worker_->setBaseline(*held);
    mouse_.setBaseline(held, true);
    return loaded;
}

void MouseSession::startDownload() {
    startCopy_ = std::make_shared<const DeviceConfig>(mouse_.record());
    Q_EMIT activeProfileChanged(activeProfileIndex(current_), ProfileCause::hand);
    requestApply(false);
}

// A start-up download dropped (the mouse asleep, as it counts over the receiver until it says
// otherwise) runs once the mouse can take it, on its own: otherwise the user's next apply, of
// one setting, would carry every report.
void MouseSession::sendOwedDownload() {
    if (!std::exchange(downloadOwed_, false) || !mouse_.fullDownloadDue() || !handed_.empty() || shutDown_) return;
    startCopy_ = std::make_shared<const DeviceConfig>(mouse_.record());
    requestApply(false);
}

void MouseSession::saveMouseCopyFile() {
    const DeviceConfig& held = mouse_.record();
    if (mouseCopyOnDisk_ && std::ranges::equal(recordBytes(*mouseCopyOnDisk_), recordBytes(held))) return;
    if (!saveMouseCopy(held)) {
        Q_EMIT saveFailed(mouseCopyFilePath());
        return;
    }
    mouseCopyOnDisk_ = std::make_unique<DeviceConfig>(held);
}

void MouseSession::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (QTimer* timer : arrivalTimers_) timer->stop();
    link_.closeLinks();
    if (worker_) worker_->stop();
    link_.releaseLibraries();
    saver_->saveNow();
    if (loaded_) saveMouseCopyFile();
    while (appliesEnded_ < appliesHanded_) endApply({commands::SendResult::Kind::unavailable});
}

bool MouseSession::selectProfile(int profile) {
    if (profile < 0 || profile >= kProfileCount) return false;
    current_.activeProfile = profile;
    Q_EMIT activeProfileChanged(profile, ProfileCause::hand);
    requestApply(false);
    return true;
}

void MouseSession::resetToDefaults() { applyDefaults(current_); }

std::optional<MouseSession::OutsideEdit> MouseSession::runOutsideEdit(const commands::EditCommand& command) {
    if (!loaded_) return std::nullopt;
    const auto recordBefore = std::make_unique<DeviceConfig>(current_);
    const std::vector<std::byte> macrosBefore = encodeMacroStore(macros_);
    OutsideEdit edit{commands::executeEdit(command, {current_, macros_}), {}};
    if (edit.outcome.exitCode != 0) return edit;
    const commands::Effects& effects = edit.outcome.effects;
    if (effects.macrosChanged || effects.recordChanged) edit.saved = saveDataFilesNow(effects.macrosChanged);
    if (edit.saved.error && edit.saved.saved.empty()) {
        // Neither file has it, so the change goes too: a later save of the record alone would
        // otherwise write half of it.
        current_ = *recordBefore;
        macros_.clear();
        decodeMacroStore(macrosBefore, macros_);
        return edit;
    }
    if (current_.activeProfile != recordBefore->activeProfile) {
        Q_EMIT activeProfileChanged(activeProfileIndex(current_), ProfileCause::hand);
    }
    Q_EMIT changedOutside(effects);
    return edit;
}

void MouseSession::requestApply(bool full) { Q_EMIT applyRequested(full); }

std::optional<std::uint64_t> MouseSession::apply(bool full) {
    if (!worker_ || shutDown_) return std::nullopt;
    startCopy_.reset();  // the mouse gets the record whole instead
    return hand(full, current_);
}

std::uint64_t MouseSession::hand(bool full, const DeviceConfig& record) {
    handed_.push_back(worker_->requestApply(full, record));
    return ++appliesHanded_;
}

int MouseSession::editsNotSent() const {
    if (handed_.empty()) return mouse_.unapplied(current_).count();
    MouseCopy afterThem;
    afterThem.setBaseline(handed_.back(), false);
    return afterThem.unapplied(current_).count();
}

void MouseSession::discardEdits() {
    current_ = handed_.empty() ? mouse_.record() : *handed_.back();
    saver_->saveNow();
}

DataFilesSave MouseSession::saveDataFilesNow(bool withMacros) {
    return saver_->saveNowWith(withMacros ? &macros_ : nullptr);
}

bool MouseSession::edit(const std::function<bool(DeviceConfig&)>& change) {
    if (!change(current_)) return false;
    Q_EMIT recordEdited();
    return true;
}

// Adding and importing save the store themselves; a new macro is held by no binding yet.
MacroStoreChange MouseSession::addMacro(std::u16string_view baseText) {
    const MacroStoreChange change = createMacro(macros_, baseText);
    if (change.record) Q_EMIT macroStoreChanged(false);
    return change;
}

MacroStoreChange MouseSession::importMacro(const std::filesystem::path& file) {
    const MacroStoreChange change = importMacroFile(file, macros_);
    if (change.record) Q_EMIT macroStoreChanged(false);
    return change;
}

MacroStoreEdit MouseSession::removeMacro(std::size_t position) {
    macros_.remove(position);
    return macroStoreEdited(false);
}

MacroStoreEdit MouseSession::storeMacro(std::size_t position, const MacroDraft& draft) {
    MacroRecord* macro = macroAt(position, macros_);
    if (!macro) return {};
    draft.storeInto(*macro);
    return macroStoreEdited(false);
}

// The bindings holding the macro take the new name along, so the buttons keep it.
MacroRename MouseSession::renameMacro(std::size_t position, std::u16string_view newName) {
    MacroRename renamed{qx4::renameMacro(macros_, position, newName, current_), {}};
    if (renamed.result.outcome == MacroRenameOutcome::renamed) {
        renamed.edit = macroStoreEdited(renamed.result.bindingsFollowed > 0);
    }
    return renamed;
}

MacroStoreEdit MouseSession::macroStoreEdited(bool bindingsChanged) {
    const bool saved = saveMacros(macros_);
    const MacroStoreEdit edited{saved, reconcileMacroBindings(current_, macros_) || bindingsChanged};
    Q_EMIT macroStoreChanged(edited.bindingsChanged);
    return edited;
}

ProfileImportResult MouseSession::importProfile(const std::filesystem::path& file) {
    const ProfileImportResult result = qx4::importProfile(current_, macros_, file);
    if (result.status == ProfileImportStatus::imported) Q_EMIT macroStoreChanged(true);
    return result;
}

// The numbered messages the driver libraries post to the session (1329-1332), from their threads.
bool MouseSession::event(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return QObject::event(event);
    const auto* message = static_cast<const WindowMessageEvent*>(event);
    dispatchLinkMessage(message->message(), message->wParam(), message->lParam());
    return true;
}

void MouseSession::dispatchLinkMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (shutDown_) return;
    const MouseSwitches before = MouseSwitches::of(current_);
    link_.dispatchMessage(message, wParam, lParam);
    if (MouseSwitches::of(current_) == before) return;
    mouse_.mouseSwitched(before, current_);
    Q_EMIT switchedOnMouse();
}

void MouseSession::onApplyStarted(const ApplyStart& start) {
    running_ = {start.reports, 0, start.sendsButtons, {}, false};
    Q_EMIT applyStarted(running_);
}

void MouseSession::onReportWritten(const PlannedReport& planned, bool arrived, int done) {
    running_.done = done;
    if (!arrived) {
        running_.notArrived.mark(planned.section, planned.profile);
        running_.profileChoiceLost = running_.profileChoiceLost || planned.section == Section::profileSelect;
    }
    Q_EMIT applyProgressed(running_);
}

// The end's word first, so that a save that fails has the last word.
void MouseSession::onApplyFinished(const ApplyOutcome& outcome) {
    qCDebug(lcApp, "apply finished: %d reports sent, %d failed", outcome.sent, outcome.failed);
    if (!handed_.empty()) {
        mouse_.applied(handed_.front(), running_.notArrived);
        handed_.pop_front();
    }
    const ApplyProgress finished = std::exchange(running_, {});
    Q_EMIT applyFinished(finished, outcome.sent, outcome.failed);
    saver_->saveNow();
    saveMouseCopyFile();
    endApply({commands::SendResult::Kind::sent, outcome.sent, outcome.failed});
}

void MouseSession::onApplySkipped(ApplySkipReason reason) {
    qCDebug(lcApp, "apply skipped: %s", reason == ApplySkipReason::mouseAsleep ? "asleep" : "no link");
    if (!handed_.empty()) handed_.pop_front();
    downloadOwed_ = mouse_.fullDownloadDue();
    running_ = {};
    Q_EMIT applySkipped(reason);
    endApply({reason == ApplySkipReason::mouseAsleep ? commands::SendResult::Kind::asleep
                                                     : commands::SendResult::Kind::noMouse});
}

void MouseSession::endApply(const commands::SendResult& end) {
    ++appliesEnded_;
    Q_EMIT applyEnded(appliesEnded_, end);
}

}  // namespace qx4::gui
