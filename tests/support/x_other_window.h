// Another client of the test's X server, with a window of its own that has the focus and counts
// the key presses it gets: what a user types into while a capture listens on the whole desktop.
// Xlib stays in the source file, as its macros (None, Bool, KeyPress) clash with Qt and GoogleTest.
#pragma once

#include <memory>

namespace qx4::test {

class OtherWindow {
public:
    // Throws std::runtime_error without a connection to DISPLAY.
    OtherWindow();
    ~OtherWindow();
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    int keyPresses();

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace qx4::test
