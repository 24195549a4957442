#include "core/device/apply_worker.h"

#include <utility>

namespace qx4 {

ApplyWorker::ApplyWorker(ReportWriter& writer, const PresenceState& presence, ApplyListener& listener)
    : writer_(writer),
      presence_(presence),
      listener_(listener),
      applied_(std::make_shared<const DeviceConfig>()),
      thread_([this](std::stop_token stop) { run(stop); }) {}

ApplyWorker::~ApplyWorker() { stop(); }

void ApplyWorker::setBaseline(const DeviceConfig& loaded, bool fullDownloadDue) {
    post({Kind::baseline, fullDownloadDue, std::make_shared<const DeviceConfig>(loaded)});
}

void ApplyWorker::requestApply(bool full, const DeviceConfig& current) {
    post({Kind::apply, full, std::make_shared<const DeviceConfig>(current)});
}

void ApplyWorker::stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void ApplyWorker::post(Message message) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(message));
    }
    queueReady_.notify_one();
}

void ApplyWorker::run(std::stop_token stop) {
    for (;;) {
        Message message;
        {
            std::unique_lock lock(queueMutex_);
            queueReady_.wait(lock, stop, [this] { return !queue_.empty(); });
            if (stop.stop_requested()) return;
            message = std::move(queue_.front());
            queue_.pop_front();
        }
        if (message.kind == Kind::baseline) {
            applied_ = std::move(message.record);
            owed_ = {};
            fullDownloadPending_ = message.full;
        } else {
            apply(message, stop);
        }
    }
}

void ApplyWorker::apply(const Message& message, std::stop_token stop) {
    // A dropped request is not remembered: the snapshot stays, so a later apply still sees the
    // difference.
    if (!presence_.present(Link::cable) && !presence_.present(Link::receiver)) {
        listener_.applySkipped(ApplySkipReason::noLink);
        return;
    }
    if (presence_.mouseAsleep.load() == 1) {
        listener_.applySkipped(ApplySkipReason::mouseAsleep);
        return;
    }
    listener_.applyStarted();

    ApplyOutcome outcome;
    outcome.full = message.full || fullDownloadPending_;
    SectionFlags flags = outcome.full ? SectionFlags::all() : compareConfigs(*message.record, *applied_);
    flags |= owed_;
    fullDownloadPending_ = false;

    // A section whose report did not reach the mouse stays owed, so the next apply sends it
    // again even though the snapshot below already holds its new value.
    SectionFlags notApplied;
    for (const PlannedReport& planned : planApply(*message.record, flags)) {
        if (stop.stop_requested()) {
            ++outcome.failed;
            notApplied.mark(planned.section, planned.profile);
            continue;
        }
        const WriteResult result = writer_.writeReport(planned.report, stop);
        listener_.reportWritten(planned.report, result);
        if (result.written) {
            ++outcome.sent;
        } else {
            ++outcome.failed;
            notApplied.mark(planned.section, planned.profile);
        }
    }
    applied_ = message.record;
    owed_ = notApplied;
    listener_.applyFinished(outcome);
}

}  // namespace qx4
