// A report writer whose answers a test scripts, and an apply listener a test can wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/device/apply_worker.h"

namespace qx4::test {

// "select 1", "dpi 2", "macro 3": the report's kind and byte 2 (profile number or macro slot).
inline std::string describe(const FeatureReport& report) {
    static constexpr const char* kNames[] = {"select", "dpi", "light", "polling", "buttons", "macro"};
    return kNames[static_cast<int>(report.type)] + (" " + std::to_string(report.bytes[2]));
}

class ScriptedWriter final : public ReportWriter {
public:
    using Answer = std::function<bool(const FeatureReport&)>;  // true: written
    WriteResult writeReport(const FeatureReport& report, std::stop_token) override {
        Answer answer;
        {
            std::lock_guard lock(mutex_);
            written_.push_back(describe(report));
            answer = answer_;
        }
        return {!answer || answer(report), Link::cable};
    }
    void answerWith(Answer answer) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
    }
    // What was written since the last call, described.
    std::vector<std::string> take() {
        std::lock_guard lock(mutex_);
        return std::exchange(written_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::string> written_;
    Answer answer_;
};

class WaitableListener final : public ApplyListener {
public:
    struct End {
        ApplyOutcome outcome;                 // of a finished apply
        std::optional<ApplySkipReason> skip;  // of a skipped one
    };
    void applyStarted(const ApplyStart&) override {}
    void reportWritten(const PlannedReport&, const WriteResult&, int) override {}
    void applyFinished(const ApplyOutcome& outcome) override { end({outcome, std::nullopt}); }
    void applySkipped(ApplySkipReason reason) override { end({{}, reason}); }

    // Waits until `count` requests have ended, finished or skipped; false after 20 s.
    bool waitForEnded(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return ended_ >= count; });
    }
    End last() {
        std::lock_guard lock(mutex_);
        return last_;
    }

private:
    void end(const End& ended) {
        {
            std::lock_guard lock(mutex_);
            ++ended_;
            last_ = ended;
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t ended_ = 0;
    End last_;
};

}  // namespace qx4::test
