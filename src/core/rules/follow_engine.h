// Decides when the application in front selects a profile. It holds no timer and reads no clock:
// the caller reports focus changes with the time they happened and asks settle() at the time it
// names, so a focus that does not move costs nothing.
//
// A focus change is acted on only once the focus has rested for kRest, so Alt+Tab through several
// windows selects for the last of them alone. A profile the user chooses by hand holds until the
// focus moves to another application. A select that falls due while an apply runs waits for its
// end. The profile already active is not selected again.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/rules/focus_rules.h"

namespace qx4 {

class FollowEngine {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRest{300};
    static constexpr std::size_t kRecentApps = 12;

    struct Device {
        int activeProfile = 0;
        bool applyRunning = false;
    };
    struct Decision {
        enum class Kind { nothing, askAgainAt, askAgainAfterApply, select };
        Kind kind = Kind::nothing;
        Clock::time_point at{};  // askAgainAt
        int profile = 0;         // select, 0-based
        std::string app;         // select: the application's first name
    };

    void setRules(FocusRules rules) { rules_ = std::move(rules); }
    const FocusRules& rules() const { return rules_; }

    // The application in front is now the one known by `names` (its first name is the one shown).
    // Returns when settle() is to be asked.
    Clock::time_point focusReported(std::vector<std::string> names, Clock::time_point now);
    // The user chose a profile by hand (window, tray, mouse button, qx4ctl).
    void choseByHand();
    Decision settle(Clock::time_point now, Device device);

    // First names of the applications seen in front, the latest first, each once.
    const std::vector<std::string>& recentApps() const { return recent_; }

private:
    FocusRules rules_;
    std::optional<std::vector<std::string>> pending_;  // in front, not yet acted on
    Clock::time_point restedAt_{};
    std::vector<std::string> front_;  // the application last acted on
    bool handHold_ = false;            // a hand-made choice holds while front_ stays in front
    std::vector<std::string> recent_;
};

}  // namespace qx4
