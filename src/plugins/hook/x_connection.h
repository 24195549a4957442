// A connection of the hook's own to the X server that DISPLAY names, used by one thread at a
// time.
#pragma once

#include <X11/Xlib.h>

namespace qx4::gui {

struct XConnection {
    Display* display;  // null when there is no server
    bool lost = false;  // the server went away: no further call may be made on `display`

    XConnection();
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
};

}  // namespace qx4::gui
