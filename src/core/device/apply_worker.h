// The apply worker: its own thread and message queue, bringing the mouse in line with the record.
// The UI thread owns the live record; every request carries a copy taken on the caller's thread,
// and that copy is both what is sent and what becomes the applied snapshot. The worker touches no
// widget and saves no file: it reports through ApplyListener, whose owner saves its record when an
// apply has finished, so the data file has one writer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "core/config/device_config.h"
#include "core/device/apply_plan.h"
#include "core/device/link_state.h"
#include "core/device/report_writer.h"

namespace qx4 {

struct ApplyOutcome {
    bool full = false;         // every section was due
    int sent = 0;              // reports the mouse took
    int failed = 0;            // reports whose write failed or that a quit left unsent
};

enum class ApplySkipReason { noLink, mouseAsleep };

struct ApplyStart {
    int reports = 0;            // the apply writes this many
    bool sendsButtons = false;  // every macro and button report goes: the long kind of apply
};

// Called on the worker thread: implementations post to their own thread and return at once.
class ApplyListener {
public:
    virtual ~ApplyListener() = default;
    virtual void applyStarted(const ApplyStart& start) = 0;
    // `done` counts the reports written so far in this apply, this one included.
    virtual void reportWritten(const PlannedReport& planned, const WriteResult& result, int done) = 0;
    virtual void applyFinished(const ApplyOutcome& outcome) = 0;
    virtual void applySkipped(ApplySkipReason reason) = 0;
};

class ApplyWorker {
public:
    // Starts the thread. writer, presence and listener must outlive the worker.
    ApplyWorker(ReportWriter& writer, const PresenceState& presence, ApplyListener& listener);
    ~ApplyWorker();  // stop()

    ApplyWorker(const ApplyWorker&) = delete;
    ApplyWorker& operator=(const ApplyWorker&) = delete;

    // The record as loaded: it becomes the applied snapshot, and the next apply that runs is a
    // full download whatever it asks for. Queued behind earlier requests. When the caller knows
    // the mouse already holds `loaded` (fullDownloadDue false), the next apply sends changes only.
    void setBaseline(const DeviceConfig& loaded, bool fullDownloadDue = true);
    // Queues an apply; full sends every section. Copies `current` now; the copy, which nobody
    // changes, is returned for the caller to know what was sent.
    std::shared_ptr<const DeviceConfig> requestApply(bool full, const DeviceConfig& current);
    // The quit message: a running apply stops after the report being written (its pause is cut
    // short), queued requests are dropped, and the thread is joined. Safe to call twice.
    void stop();

private:
    enum class Kind { apply, baseline };
    struct Message {
        Kind kind;
        bool full;  // apply: wParam == 1; baseline: a full download is due
        std::shared_ptr<const DeviceConfig> record;
    };

    void post(Message message);
    void run(std::stop_token stop);
    void apply(const Message& message, std::stop_token stop);

    ReportWriter& writer_;
    const PresenceState& presence_;
    ApplyListener& listener_;

    std::mutex queueMutex_;
    std::condition_variable_any queueReady_;
    std::deque<Message> queue_;

    // Worker thread only. Sections whose reports failed stay owed: not on the mouse whatever the
    // snapshot says.
    MouseCopy mouse_;

    std::jthread thread_;  // last: started once everything above exists
};

}  // namespace qx4
