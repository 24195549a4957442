#include "core/rules/follow_engine.h"

#include <algorithm>

namespace qx4 {

FollowEngine::Clock::time_point FollowEngine::focusReported(std::vector<std::string> names, Clock::time_point now) {
    if (!names.empty()) {
        std::erase(recent_, names.front());
        recent_.insert(recent_.begin(), names.front());
        if (recent_.size() > kRecentApps) recent_.pop_back();
    }
    pending_ = std::move(names);
    restedAt_ = now + kRest;
    return restedAt_;
}

// A choice made while a focus change waits to settle is made for the application now in front.
void FollowEngine::choseByHand() {
    if (pending_) front_ = std::move(*pending_);
    pending_.reset();
    handHold_ = true;
}

FollowEngine::Decision FollowEngine::settle(Clock::time_point now, Device device) {
    if (!pending_) return {};
    if (now < restedAt_) return {Decision::Kind::askAgainAt, restedAt_, 0, {}};
    const bool sameApp = *pending_ == front_;
    if (sameApp && handHold_) {
        pending_.reset();
        return {};
    }
    const std::optional<int> target = rules_.follow && !pending_->empty() ? rules_.profileFor(*pending_) : std::nullopt;
    if (target && device.applyRunning) return {Decision::Kind::askAgainAfterApply, {}, 0, {}};
    handHold_ = false;
    front_ = std::move(*pending_);
    pending_.reset();
    if (!target || *target == device.activeProfile) return {};
    return {Decision::Kind::select, {}, *target, front_.front()};
}

}  // namespace qx4
