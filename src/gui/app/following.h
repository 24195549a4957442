// Following the application in front, set up beside the window: the profile target on its device
// area, the follower, the X11 watcher when there is an X display, and the D-Bus service when
// there is a session bus. The window's status line tells what made the profile active.
#pragma once

namespace qx4::gui {

class CMainWnd;
class CWirelessPage;
class FocusFollower;
class MouseSession;

// Owned by the window.
FocusFollower* startFollowing(CMainWnd& window);

// The status line says which application's rule made the profile active. The apply a rule's select
// starts shows those words instead of its progress and of "sent", unless something did not arrive.
void tellFollowingIn(CWirelessPage& page, MouseSession& session, FocusFollower& follower);

}  // namespace qx4::gui
