// Following the application in front, set up beside the window: the profile target on its device
// area, the follower, the X11 watcher when there is an X display, and the D-Bus service when
// there is a session bus. The window's status line tells what made the profile active.
#pragma once

#include <memory>

namespace qx4::gui {

class CWirelessPage;
class FocusFollower;
class MouseSession;
class SessionProfileTarget;
class TrayController;

// The follower with the profile target it works through; the follower goes first.
struct Following {
    std::unique_ptr<SessionProfileTarget> target;
    std::unique_ptr<FocusFollower> follower;
    Following();
    Following(Following&&) noexcept;
    ~Following();
};

// A profile a rule selects shows the tray's popup, as a switch on the mouse does.
Following startFollowing(MouseSession& session, CWirelessPage& page, TrayController& tray);

// The status line says which application's rule made the profile active. The apply a rule's select
// starts shows those words instead of its progress and of "sent", unless something did not arrive.
void tellFollowingIn(CWirelessPage& page, MouseSession& session, FocusFollower& follower);

}  // namespace qx4::gui
