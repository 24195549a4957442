// Following the application in front, set up beside the window: the profile target on its device
// area, the follower, the X11 watcher when there is an X display, and the D-Bus service when
// there is a session bus. The window's status line tells what made the profile active.
#pragma once

namespace qx4::gui {

class CMainWnd;
class FocusFollower;

// Owned by the window.
FocusFollower* startFollowing(CMainWnd& window);

}  // namespace qx4::gui
