// Another client of the test's X server, with a window of its own that has the focus and counts
// the key presses it gets: what a user types into while a capture listens on the whole desktop, or,
// with a window class, an application that a window manager makes the active one.
// Xlib stays in the source file, as its macros (None, Bool, KeyPress) clash with Qt and GoogleTest.
#pragma once

#include <memory>

namespace qx4::test {

class OtherWindow {
public:
    // Throws std::runtime_error without a connection to DISPLAY.
    OtherWindow();
    OtherWindow(const char* instance, const char* className);
    ~OtherWindow();
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    int keyPresses();
    // Names the window in the root window's _NET_ACTIVE_WINDOW, as a window manager does.
    void activate();

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace qx4::test
