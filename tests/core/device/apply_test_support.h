// A report writer whose answers a test scripts, and an apply listener a test can wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/device/apply_worker.h"

namespace qx4::test {

// "select", "dpi 2", "light 1", "polling 3", "macro 4", "buttons 5": what a report is, with the
// profile number or macro slot from byte 2.
inline std::string describe(const FeatureReport& report) {
    static constexpr const char* kNames[] = {"select", "dpi", "light", "polling", "buttons", "macro"};
    return std::string(kNames[static_cast<int>(report.type)]) + " " + std::to_string(report.bytes[2]);
}

class ScriptedWriter final : public ReportWriter {
public:
    WriteResult writeReport(const FeatureReport& report, std::stop_token stop) override {
        std::function<bool(const FeatureReport&, std::stop_token)> answer;
        {
            std::lock_guard lock(mutex_);
            written_.push_back(report);
            answer = answer_;
        }
        return {answer ? answer(report, stop) : true, Link::cable};
    }
    // Decides each write; runs on the worker thread.
    void answerWith(std::function<bool(const FeatureReport&, std::stop_token)> answer) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
    }
    std::vector<FeatureReport> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(written_, {});
    }
    std::vector<std::string> takeDescribed() {
        std::vector<std::string> names;
        for (const auto& report : take()) names.push_back(describe(report));
        return names;
    }

private:
    std::mutex mutex_;
    std::vector<FeatureReport> written_;
    std::function<bool(const FeatureReport&, std::stop_token)> answer_;
};

class WaitableListener final : public ApplyListener {
public:
    struct Event {
        enum Kind { started, finished, skipped } kind;
        ApplyOutcome outcome{};
        ApplySkipReason reason{};
    };

    void applyStarted() override { add({Event::started}); }
    void reportWritten(const FeatureReport&, const WriteResult&) override {}
    void applyFinished(const ApplyOutcome& outcome) override { add({Event::finished, outcome}); }
    void applySkipped(ApplySkipReason reason) override { add({Event::skipped, {}, reason}); }

    // Waits until `count` requests have ended (finished or skipped) since the start.
    std::vector<Event> waitForEnded(std::size_t count) {
        std::unique_lock lock(mutex_);
        const bool done = changed_.wait_for(lock, std::chrono::seconds(20), [&] { return ended_ >= count; });
        if (!done) return {};
        return events_;
    }
    ApplyOutcome lastOutcome() {
        std::lock_guard lock(mutex_);
        for (auto it = events_.rbegin(); it != events_.rend(); ++it)
            if (it->kind == Event::finished) return it->outcome;
        return {};
    }

private:
    void add(Event event) {
        {
            std::lock_guard lock(mutex_);
            if (event.kind != Event::started) ++ended_;
            events_.push_back(event);
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Event> events_;
    std::size_t ended_ = 0;
};

}  // namespace qx4::test
