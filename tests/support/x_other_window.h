// Another client of the test's X server, with a window of its own that has the focus and notes
// the keys it gets, with the server's times: what a user types into while a capture listens on the whole desktop, or,
// with a window class, an application that a window manager makes the active one.
// Xlib stays in the source file, as its macros (None, Bool, KeyPress) clash with Qt and GoogleTest.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qx4::test {

class OtherWindow {
public:
    // Throws std::runtime_error without a connection to DISPLAY.
    OtherWindow();
    // `pid`: the process named in _NET_WM_PID; 0 names none.
    OtherWindow(const char* instance, const char* className, long pid = 0);
    ~OtherWindow();
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    int keyPresses();
    // The server's time, in milliseconds, of every key press and release so far, in order.
    std::vector<std::uint64_t> keyTimes();
    // Names the window in the root window's _NET_ACTIVE_WINDOW, as a window manager does.
    void activate();

private:
    void readEvents();

    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace qx4::test
