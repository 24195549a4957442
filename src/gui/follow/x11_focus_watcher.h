// Tells which X11 application is in front, through a connection of its own to $DISPLAY: the
// window manager names the active window in the root window's _NET_ACTIVE_WINDOW, whose changes
// arrive as PropertyNotify events on the connection's socket. Nothing polls, so an unchanged focus
// costs nothing. Works the same on XWayland, for the X11 windows of a Wayland session.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qx4::gui {

class X11FocusWatcher final : public QObject {
    Q_OBJECT
public:
    // Null when there is no X display to watch.
    static std::unique_ptr<X11FocusWatcher> start();
    ~X11FocusWatcher() override;

    // Tells focusChanged of the window in front now, unless it is the one told last.
    void reportActiveWindow();

Q_SIGNALS:
    // `names`: the window's class (instance, then class) and its program's file name.
    void focusChanged(const std::vector<std::string>& names);

private:
    struct Connection;
    explicit X11FocusWatcher(std::unique_ptr<Connection> connection);
    void readEvents();
    // The window's class (instance, then class) and its program's file name; empty for no window,
    // or one of this program.
    std::vector<std::string> applicationOf(std::uint32_t window);

    std::unique_ptr<Connection> x_;
    std::uint32_t lastWindow_ = 0;
};

}  // namespace qx4::gui
