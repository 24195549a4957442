#include "gui/follow/mouse_requests.h"

#include "gui/follow/profile_target.h"

namespace qx4::gui {

MouseRequests::MouseRequests(ProfileTarget& target, QObject* parent) : QObject(parent), target_(target) {
    connect(&target_, &ProfileTarget::applyEnded, this, &MouseRequests::handOnWaiting);
}

void MouseRequests::selectProfile(int profile, Reply reply) {
    if (select_) std::exchange(select_->reply, {})(Answer::superseded);
    select_ = Waiting{profile, std::move(reply)};
    handOnWaiting();
}

void MouseRequests::apply(Reply reply) {
    if (apply_) std::exchange(apply_, {})(Answer::superseded);
    apply_ = std::move(reply);
    handOnWaiting();
}

bool MouseRequests::busy() const { return handing_ || target_.applyRunning(); }

void MouseRequests::handOnWaiting() {
    if (busy() || (!select_ && !apply_)) return;
    // A select sends with an apply of everything not on the mouse, which covers a waiting Apply.
    if (select_) {
        const Waiting select = *std::exchange(select_, std::nullopt);
        target_.selectProfile(select.profile, ProfileTarget::Cause::hand);
        select.reply(Answer::handed);
    } else {
        target_.requestApply();
    }
    if (apply_) std::exchange(apply_, {})(Answer::handed);
    handed();
}

// The session hands an apply to its worker after the current event; until then applyRunning()
// does not show it, so the next request is held back until this queued look has been taken.
void MouseRequests::handed() {
    handing_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            handing_ = false;
            handOnWaiting();
        },
        Qt::QueuedConnection);
}

}  // namespace qx4::gui
