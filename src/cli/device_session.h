// qx4ctl's side of the device link: the driver libraries, the apply worker and a small message
// loop on the main thread that takes what the plug-in and worker threads post.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

#include "core/device/apply_worker.h"
#include "core/device/device_link.h"

namespace qx4::cli {

using Clock = std::chrono::steady_clock;

// Tasks posted from any thread and one-shot timers, run on the thread that calls runUntil.
class MessageLoop {
public:
    void post(std::function<void()> task);
    void startTimer(int id, std::chrono::milliseconds delay, std::function<void()> fire);
    void cancelTimer(int id);
    // Runs tasks and due timers until done() holds or the deadline passes; returns done().
    bool runUntil(const std::function<bool()>& done, Clock::time_point deadline);

private:
    struct Timer {
        int id;
        Clock::time_point due;
        std::function<void()> fire;
    };
    bool fireDueTimer();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> tasks_;
    std::vector<Timer> timers_;  // loop thread only
};

class DeviceSession final : private DeviceObserver, private ApplyListener {
public:
    struct Options {
        bool simulate = false;
        bool saveChanges = false;  // save the record when the mouse changes it
    };
    struct ApplyResult {
        std::optional<ApplySkipReason> skipped;
        ApplyOutcome outcome;
    };

    // `out` receives one line per report written.
    DeviceSession(DeviceConfig& record, Options options, std::ostream& out);
    ~DeviceSession() override;  // links closed, worker joined, libraries released

    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    void start();
    const PresenceState& presence() const { return link_.presence(); }
    bool anyLinkPresent() const;
    // Takes what the libraries report until the mouse says it is awake, or the deadline passes.
    bool waitUntilAwake(Clock::time_point deadline);
    // Takes what the libraries report until the mouse has told its sleep state and battery.
    void waitForStatus(Clock::time_point deadline);
    // One apply of the record: a full download, or the changes against `baseline`.
    ApplyResult apply(bool full, const DeviceConfig* baseline);
    // The record changed on the mouse's word but could not be saved.
    bool saveFailed() const { return saveFailed_; }

private:
    static void postFromPlugin(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // DeviceObserver
    void sleepStatusBattery(int) override { statusHeard_ = true; }
    void recordChangedByMouse() override;
    void startArrivalTimer(Link link) override;
    void cancelArrivalTimer(Link link) override;

    // ApplyListener, on the worker thread
    void applyStarted(const ApplyStart&) override {}
    void reportWritten(const PlannedReport& planned, const WriteResult& result, int done) override;
    void applyFinished(const ApplyOutcome& outcome) override;
    void applySkipped(ApplySkipReason reason) override;

    MessageLoop loop_;
    DeviceConfig& record_;
    Options options_;
    std::ostream& out_;
    std::optional<ApplyResult> result_;
    bool statusHeard_ = false;
    bool saveFailed_ = false;
    DeviceLink link_;
    ApplyWorker worker_;
};

}  // namespace qx4::cli
