#include "gui/app/following.h"

#include "gui/app/main_wnd.h"
#include "gui/follow/bus_service.h"
#include "gui/follow/focus_follower.h"
#include "gui/follow/session_profile_target.h"
#include "gui/follow/x11_focus_watcher.h"
#include "gui/pages/wireless_page.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

FocusFollower* startFollowing(CMainWnd& window) {
    CWirelessPage& page = *window.wirelessPage();
    MouseSession& session = window.session();
    auto* target = new SessionProfileTarget(
        session, [&window](int profile) { window.showProfilePopup(profile); }, &window);
    auto* follower = new FocusFollower(*target, &window);
    if (const QString problem = follower->loadProblem(); !problem.isEmpty()) {
        page.showStatus(problem, true);
        // The first apply's word would cover it.
        QObject::connect(
            &session, &MouseSession::applyEnded, &page, [&page, problem] { page.showStatus(problem, true); },
            Qt::SingleShotConnection);
    }
    QObject::connect(follower, &FocusFollower::followedAppChanged, &page, [follower, &page] {
        if (const QString words = follower->statusText(); !words.isEmpty()) page.showStatus(words, false);
    });
    if (std::unique_ptr<X11FocusWatcher> watcher = X11FocusWatcher::start()) {
        X11FocusWatcher* x11 = watcher.release();
        x11->setParent(follower);
        QObject::connect(x11, &X11FocusWatcher::focusChanged, follower, [follower](const std::vector<std::string>& names) {
            follower->reportFocus(names, FocusFollower::Source::x11);
        });
        x11->reportActiveWindow();
    }
    BusService::offer(*target, *follower, follower);
    return follower;
}

}  // namespace qx4::gui
