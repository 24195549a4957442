#include "tests/support/x_other_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdexcept>

namespace qx4::test {

struct OtherWindow::Connection {
    Display* display = nullptr;
    Window window = 0;
    int keyPresses = 0;
    std::vector<std::uint64_t> keyTimes;
};

OtherWindow::OtherWindow() : connection_(std::make_unique<Connection>()) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) throw std::runtime_error("no connection to the test's X server");
    connection_->display = display;
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 200, 0, 0, 0);
    connection_->window = window;
    XSelectInput(display, window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(display, window);
    XEvent event;
    do {
        XNextEvent(display, &event);
    } while (event.type != MapNotify);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
}

OtherWindow::OtherWindow(const char* instance, const char* className, long pid) : OtherWindow() {
    XClassHint hint{const_cast<char*>(instance), const_cast<char*>(className)};
    XSetClassHint(connection_->display, connection_->window, &hint);
    if (pid != 0) {
        XChangeProperty(connection_->display, connection_->window, XInternAtom(connection_->display, "_NET_WM_PID", False),
                        XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    XSync(connection_->display, False);
}

OtherWindow::~OtherWindow() { XCloseDisplay(connection_->display); }

void OtherWindow::readEvents() {
    Display* display = connection_->display;
    XSync(display, False);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if ((event.type != KeyPress && event.type != KeyRelease) || event.xkey.window != connection_->window) continue;
        if (event.type == KeyPress) ++connection_->keyPresses;
        connection_->keyTimes.push_back(event.xkey.time);
    }
}

int OtherWindow::keyPresses() {
    readEvents();
    return connection_->keyPresses;
}

std::vector<std::uint64_t> OtherWindow::keyTimes() {
    readEvents();
    return connection_->keyTimes;
}

void OtherWindow::activate() {
    Display* display = connection_->display;
    XChangeProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_ACTIVE_WINDOW", False), XA_WINDOW,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&connection_->window), 1);
    XSync(display, False);
}

}  // namespace qx4::test
