#include "core/device/apply_worker.h"

#include <utility>

namespace qx4 {

ApplyWorker::ApplyWorker(ReportWriter& writer, const PresenceState& presence, ApplyListener& listener)
    : writer_(writer),
      presence_(presence),
      listener_(listener),
      thread_([this](std::stop_token stop) { run(stop); }) {}

ApplyWorker::~ApplyWorker() { stop(); }

void ApplyWorker::setBaseline(const DeviceConfig& loaded, bool fullDownloadDue) {
    post({Kind::baseline, fullDownloadDue, std::make_shared<const DeviceConfig>(loaded)});
}

std::shared_ptr<const DeviceConfig> ApplyWorker::requestApply(bool full, const DeviceConfig& current) {
    auto copy = std::make_shared<const DeviceConfig>(current);
    post({Kind::apply, full, copy});
    return copy;
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
            mouse_.setBaseline(std::move(message.record), message.full);
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
    ApplyOutcome outcome;
    outcome.full = message.full || mouse_.fullDownloadDue();
    const SectionFlags flags = mouse_.due(*message.record, message.full);
    const std::vector<PlannedReport> plan = planApply(*message.record, flags);
    listener_.applyStarted({static_cast<int>(plan.size()), flags.anyButtonsChanged()});

    // A section whose report did not reach the mouse stays owed, so the next apply sends it
    // again even though the snapshot below already holds its new value.
    SectionFlags notApplied;
    for (const PlannedReport& planned : plan) {
        if (stop.stop_requested()) {
            ++outcome.failed;
            notApplied.mark(planned.section, planned.profile);
            continue;
        }
        const WriteResult result = writer_.writeReport(planned.report, stop);
        if (result.written) {
            ++outcome.sent;
        } else {
            ++outcome.failed;
            notApplied.mark(planned.section, planned.profile);
        }
        listener_.reportWritten(planned, result, outcome.sent + outcome.failed);
    }
    mouse_.applied(message.record, notApplied);
    listener_.applyFinished(outcome);
}

}  // namespace qx4
