// What the plug-in tests share: a sink that records what a plug-in posts from any thread, and a
// driver library bound from the build's plug-in folder as the program binds it.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/device/driver_library.h"
#include "tests/support/patience.h"

namespace qx4::test {

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Posted& p) {
    return out << p.message << "(0x" << std::hex << p.wParam << std::dec << ", " << p.lParam << ")";
}

// A post with the moment a timed sink was given (0 through the plain sink).
struct Stamped {
    Posted posted;
    std::uint64_t milliseconds;
};

inline std::vector<Posted> postsOf(const std::vector<Stamped>& stamped) {
    std::vector<Posted> posted;
    for (const Stamped& s : stamped) posted.push_back(s.posted);
    return posted;
}

class RecordingSink {
public:
    const qx4_message_sink* sink() const { return &sink_; }
    const qx4_timed_message_sink* timedSink() const { return &timedSink_; }
    // The next post; nothing when none came within the time.
    std::optional<Posted> next(int timeoutMs = kPatienceMs) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::milliseconds{timeoutMs}, [&] { return !queue_.empty(); })) return {};
        const Posted front = queue_.front().posted;
        queue_.pop_front();
        return front;
    }
    std::vector<Posted> takeAll() { return postsOf(take(0, 0)); }
    // Everything posted so far, once `count` posts have come or the time is up.
    std::vector<Stamped> take(std::size_t count, int timeoutMs = kPatienceMs) {
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, std::chrono::milliseconds{timeoutMs}, [&] { return queue_.size() >= count; });
        std::vector<Stamped> taken(queue_.begin(), queue_.end());
        queue_.clear();
        return taken;
    }

private:
    static void post(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        timedPost(context, message, wParam, lParam, 0);
    }
    static void timedPost(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                          std::uint64_t milliseconds) {
        auto* self = static_cast<RecordingSink*>(context);
        std::lock_guard lock(self->mutex_);
        self->queue_.push_back({{message, wParam, lParam}, milliseconds});
        self->posted_.notify_all();
    }
    qx4_message_sink sink_{this, &RecordingSink::post};
    qx4_timed_message_sink timedSink_{this, &RecordingSink::timedPost};
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Stamped> queue_;
};

// Bound by the program's own loader from the build's plug-in folder. Throws when the file or one of
// the seven entry points is missing. Closes both parts on the way out, as the program does at shutdown.
class DriverLibrary : public HidDriverLink {
public:
    explicit DriverLibrary(const std::string& file) {
        if (!bindLibrary(*this, file)) throw std::runtime_error(file + " not loaded");
        if (!usable() || !GetFeature) {
            releaseLibrary(*this);
            throw std::runtime_error(file + " lacks an entry point");
        }
    }
    ~DriverLibrary() {
        Close_DevMonitor();
        Close_FeatureDevice();
        releaseLibrary(*this);
    }
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;
    int send(std::vector<unsigned char> report) { return SetFeature(report.data(), static_cast<int>(report.size())); }
};

}  // namespace qx4::test
