#include "cli/device_session.h"

#include <algorithm>

#include "core/config/config_file.h"

namespace qx4::cli {

void MessageLoop::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
}

void MessageLoop::startTimer(int id, std::chrono::milliseconds delay, std::function<void()> fire) {
    cancelTimer(id);
    timers_.push_back({id, Clock::now() + delay, std::move(fire)});
}

void MessageLoop::cancelTimer(int id) {
    std::erase_if(timers_, [id](const Timer& timer) { return timer.id == id; });
}

bool MessageLoop::fireDueTimer() {
    const auto due = std::find_if(timers_.begin(), timers_.end(),
                                  [now = Clock::now()](const Timer& timer) { return timer.due <= now; });
    if (due == timers_.end()) return false;
    auto fire = std::move(due->fire);
    timers_.erase(due);
    fire();
    return true;
}

bool MessageLoop::runUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (fireDueTimer()) continue;
        Clock::time_point wakeAt = deadline;
        for (const Timer& timer : timers_) wakeAt = std::min(wakeAt, timer.due);
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_until(lock, wakeAt, [this] { return !tasks_.empty(); })) {
                if (Clock::now() >= deadline) return done();
                continue;  // a timer came due
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
    return true;
}

DeviceSession::DeviceSession(DeviceConfig& record, Options options, std::ostream& out)
    : record_(record),
      options_(options),
      out_(out),
      link_(record, *this),
      worker_(link_, link_.presence(), *this) {}

DeviceSession::~DeviceSession() {
    // The worker may be inside SetFeature: its libraries stay loaded until it has been joined.
    link_.closeLinks();
    worker_.stop();
    link_.releaseLibraries();
}

void DeviceSession::start() {
    link_.start({this, &DeviceSession::postFromPlugin},
                options_.simulate ? DriverSet::virtualMouse : DriverSet::hardware);
}

void DeviceSession::postFromPlugin(void* context, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
    auto* self = static_cast<DeviceSession*>(context);
    self->loop_.post([self, message, wParam, lParam] { self->link_.dispatchMessage(message, wParam, lParam); });
}

bool DeviceSession::anyLinkPresent() const {
    return presence().present(Link::cable) || presence().present(Link::receiver);
}

bool DeviceSession::waitUntilAwake(Clock::time_point deadline) {
    return loop_.runUntil([this] { return presence().mouseAsleep == 0; }, deadline);
}

void DeviceSession::waitForStatus(Clock::time_point deadline) {
    loop_.runUntil([this] { return statusHeard_; }, deadline);
}

DeviceSession::ApplyResult DeviceSession::apply(bool full, const DeviceConfig* baseline) {
    constexpr auto kNoLimit = std::chrono::hours(24);
    result_.reset();
    worker_.setBaseline(baseline ? *baseline : record_, baseline == nullptr);
    worker_.requestApply(full, record_);
    loop_.runUntil([this] { return result_.has_value(); }, Clock::now() + kNoLimit);
    // The program's next start sends this copy: a copy that could not be replaced must not stay
    // behind, as without one the start sends the data file whole.
    if (result_ && !result_->skipped && result_->outcome.failed == 0 && !saveMouseCopy(record_)) {
        std::error_code ignored;
        std::filesystem::remove(mouseCopyFilePath(), ignored);
    }
    return result_.value_or(ApplyResult{ApplySkipReason::noLink, {}});
}

void DeviceSession::recordChangedByMouse() {
    if (options_.saveChanges && !saveConfig(record_)) saveFailed_ = true;
}

void DeviceSession::startArrivalTimer(Link link) {
    loop_.startTimer(static_cast<int>(link), std::chrono::milliseconds(kArrivalSettleMilliseconds),
                     [this, link] { link_.completeArrival(link); });
}

void DeviceSession::cancelArrivalTimer(Link link) { loop_.cancelTimer(static_cast<int>(link)); }

void DeviceSession::reportWritten(const PlannedReport& planned, const WriteResult& result, int) {
    std::string line = std::string(result.written ? "ok     " : "failed ") +
                       std::string(linkParameters(result.link).name) + "  " + toHex(planned.report.view());
    loop_.post([this, line = std::move(line)] { out_ << line << '\n'; });
}

void DeviceSession::applyFinished(const ApplyOutcome& outcome) {
    loop_.post([this, outcome] { result_ = ApplyResult{std::nullopt, outcome}; });
}

void DeviceSession::applySkipped(ApplySkipReason reason) {
    loop_.post([this, reason] { result_ = ApplyResult{reason, {}}; });
}

}  // namespace qx4::cli
