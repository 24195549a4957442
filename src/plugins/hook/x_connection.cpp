#include "plugins/hook/x_connection.h"

#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace qx4::gui {

namespace {

// When the X server goes away, Xlib by default ends the process from whichever thread noticed,
// and after that the connection's lock is in no state for another call, not even to close it.
// So the hook's own connections are set apart: a handler, in place while they are open, marks
// one of them lost instead (any other connection's failure goes to the handler there was
// before); their user makes no further call on a lost one; and a lost connection is not closed:
// its socket is, and the rest is kept.
class OwnConnections {
public:
    static void add(Display* display, bool* lost) {
        std::lock_guard lock(mutex_);
        if (open_.empty()) previous_ = XSetIOErrorHandler(&failed);
        open_.push_back(display);
        XSetIOErrorExitHandler(display, &markLost, lost);
    }
    static void remove(Display* display, bool lost) {
        std::lock_guard lock(mutex_);
        std::erase(open_, display);
        if (lost) kept().push_back(display);
        // Only while still in place: the library may be unloaded next, and this handler with it.
        if (open_.empty()) {
            const XIOErrorHandler current = XSetIOErrorHandler(previous_);
            if (current != &failed) XSetIOErrorHandler(current);
        }
    }

private:
    static int failed(Display* display) {
        XIOErrorHandler previous = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (std::find(open_.begin(), open_.end(), display) != open_.end()) return 0;
            previous = previous_;
        }
        return previous ? previous(display) : 0;
    }
    static void markLost(Display*, void* lost) { *static_cast<bool*>(lost) = true; }
    // Where a leak check still finds the kept connections. Made with the first loss, not when the
    // library loads: a library unloaded without one leaves nothing behind. After a loss the library
    // stays loaded, as its memory is what holds them: the program unloads it on its way out once
    // the server has gone, and a leak check then would find them held by nothing.
    static std::vector<Display*>& kept() {
        static auto* displays = [] {
            stayLoaded();
            return new std::vector<Display*>;
        }();
        return *displays;
    }
    static void stayLoaded() {
        Dl_info library{};
        if (dladdr(reinterpret_cast<void*>(&OwnConnections::failed), &library) != 0 && library.dli_fname) {
            dlopen(library.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
    }

    static inline std::mutex mutex_;
    static inline std::vector<Display*> open_;
    static inline XIOErrorHandler previous_ = nullptr;
};

bool hungUp(int socket) {
    pollfd watched{socket, POLLRDHUP, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

XConnection::XConnection() : display(XOpenDisplay(nullptr)) {
    if (display) OwnConnections::add(display, &lost);
}

XConnection::~XConnection() {
    if (!display) return;
    // A server that hung up unnoticed would be noticed while closing, too late.
    lost = lost || hungUp(ConnectionNumber(display));
    if (lost) {
        ::close(ConnectionNumber(display));
    } else {
        XCloseDisplay(display);
    }
    // Set apart only after closing: closing may find the server gone, and the handler that marks
    // the connection lost instead of ending the process must still be in place then.
    OwnConnections::remove(display, lost);
}

}  // namespace qx4::gui
