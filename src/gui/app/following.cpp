#include "gui/app/following.h"

#include <memory>
#include <utility>

#include "gui/app/tray_controller.h"
#include "gui/follow/bus_service.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/session_profile_target.h"
#include "gui/follow/x11_focus_watcher.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

void tellFollowingIn(CWirelessPage& page, MouseSession& session, FocusFollower& follower) {
    struct Told {
        QString app;
        bool selectDue = false;      // a rule selected; its apply has not started yet
        bool selectSending = false;  // that apply runs
    };
    auto told = std::make_shared<Told>();
    const auto showWords = [&page, &follower] {
        if (const QString words = follower.statusText(); !words.isEmpty()) page.showStatus(words, false);
    };
    // Made after the page's own, so these run after it has shown the apply's progress and end.
    QObject::connect(&follower, &FocusFollower::followedAppChanged, &page, [told, &follower, showWords] {
        told->selectDue = !follower.followedApp().isEmpty() && follower.followedApp() != told->app;
        told->app = follower.followedApp();
        showWords();
    });
    QObject::connect(&session, &MouseSession::applyStarted, &follower, [told, showWords] {
        told->selectSending = std::exchange(told->selectDue, false);
        if (told->selectSending) showWords();
    });
    QObject::connect(&session, &MouseSession::applyProgressed, &follower, [told, showWords] {
        if (told->selectSending) showWords();
    });
    QObject::connect(&session, &MouseSession::applyFinished, &follower, [told, showWords](const ApplyProgress&, int, int failed) {
        if (std::exchange(told->selectSending, false) && failed == 0) showWords();
    });
    QObject::connect(&session, &MouseSession::applySkipped, &follower, [told] { told->selectDue = false; });
}

Following::Following() = default;
Following::Following(Following&&) noexcept = default;
Following::~Following() = default;

Following startFollowing(MouseSession& session, CWirelessPage& page, TrayController& tray) {
    Following following;
    following.target = std::make_unique<SessionProfileTarget>(
        session, [&tray](int profile) { tray.showProfilePopup(profile); }, nullptr);
    following.follower = std::make_unique<FocusFollower>(*following.target, nullptr);
    FocusFollower* follower = following.follower.get();
    if (const QString problem = follower->loadProblem(); !problem.isEmpty()) {
        page.showStatus(problem, true);
        // The first apply's word would cover it.
        QObject::connect(
            &session, &MouseSession::applyEnded, &page, [&page, problem] { page.showStatus(problem, true); },
            Qt::SingleShotConnection);
    }
    tellFollowingIn(page, session, *follower);
    if (std::unique_ptr<X11FocusWatcher> watcher = X11FocusWatcher::start()) {
        X11FocusWatcher* x11 = watcher.release();
        x11->setParent(follower);
        QObject::connect(x11, &X11FocusWatcher::focusChanged, follower, [follower](const std::vector<std::string>& names) {
            follower->reportFocus(names, FocusFollower::Source::x11);
        });
        x11->reportActiveWindow();
    }
    BusService::offer(*following.target, *follower, follower);
    return following;
}

}  // namespace qx4::gui
