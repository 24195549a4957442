// Running on a desktop without a tray (GNOME without an extension for tray icons, a compositor
// without a bar): the window is then the only way to reach the program. Closing it asks whether
// to quit, and the first time it shows there it says how to get a tray icon. Whether a tray is
// there is asked again each time the window would hide, so one that comes later is used then (Qt
// puts the icon in it by itself); nothing polls for it.
#pragma once

class QWidget;

namespace qx4::gui {

class CMsgWnd;

// Asks whether to quit, as closing the window would otherwise end the program unasked; true when
// the user chose to.
bool confirmQuitWithoutTray(QWidget* window);

// Beside the window, once per user (remembered in settings.ini): no tray was found, the window
// stays, and how to get a tray icon. Returns the notice, which deletes itself when closed, or
// null when it was said before.
CMsgWnd* tellHowToGetATrayOnce(QWidget* window);

}  // namespace qx4::gui
