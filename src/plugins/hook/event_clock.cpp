#include "plugins/hook/event_clock.h"

#include <algorithm>

namespace qx4::gui {

std::uint64_t EventClock::stamp(std::uint32_t serverTime, std::uint64_t now) {
    const auto read = static_cast<std::int64_t>(now);
    if (started_) {
        serverTime_ += static_cast<std::int32_t>(serverTime - lastServerTime_);
        lag_ = std::min(lag_, read - serverTime_);
    } else {
        serverTime_ = serverTime;
        lag_ = read - serverTime_;
        started_ = true;
    }
    lastServerTime_ = serverTime;
    return notBefore(static_cast<std::uint64_t>(serverTime_ + lag_));
}

std::uint64_t EventClock::notBefore(std::uint64_t moment) {
    last_ = std::max(last_, moment);
    return last_;
}

}  // namespace qx4::gui
