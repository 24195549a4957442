#include "gui/follow/x11_focus_watcher.h"

#include <QSocketNotifier>

#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "gui/common/diagnostics.h"

namespace qx4::gui {

struct X11FocusWatcher::Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t activeWindow = XCB_ATOM_NONE;
    xcb_atom_t windowPid = XCB_ATOM_NONE;

    ~Connection() {
        if (connection) xcb_disconnect(connection);
    }
};

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

// A property's bytes; empty when the window or the property is not there.
std::string windowProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    std::string bytes;
    if (reply && reply->type == type) {
        const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
        bytes.assign(data, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return bytes;
}

std::uint32_t firstWord(const std::string& bytes) {
    std::uint32_t word = 0;
    if (bytes.size() >= sizeof word) std::memcpy(&word, bytes.data(), sizeof word);
    return word;
}

std::string programFileName(std::uint32_t pid) {
    std::error_code error;
    const std::filesystem::path exe =
        std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    return error ? std::string() : exe.filename().string();
}

}  // namespace

std::unique_ptr<X11FocusWatcher> X11FocusWatcher::start() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return nullptr;
    auto x = std::make_unique<Connection>();
    int screenNumber = 0;
    x->connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x->connection)) {
        qCWarning(lcApp, "no X display to follow the focus on");
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x->connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return nullptr;
    x->root = screens.data->root;
    x->activeWindow = atom(x->connection, "_NET_ACTIVE_WINDOW");
    x->windowPid = atom(x->connection, "_NET_WM_PID");
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(x->connection, x->root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(x->connection);
    return std::unique_ptr<X11FocusWatcher>(new X11FocusWatcher(std::move(x)));
}

X11FocusWatcher::X11FocusWatcher(std::unique_ptr<Connection> connection) : x_(std::move(connection)) {
    auto* notifier = new QSocketNotifier(xcb_get_file_descriptor(x_->connection), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        readEvents();
        // The X server went away: nothing more will come.
        if (xcb_connection_has_error(x_->connection)) notifier->setEnabled(false);
    });
}

X11FocusWatcher::~X11FocusWatcher() = default;

void X11FocusWatcher::readEvents() {
    bool activeChanged = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x_->connection)) {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            activeChanged |= notify->window == x_->root && notify->atom == x_->activeWindow;
        }
        std::free(event);
    }
    if (activeChanged) reportActiveWindow();
}

void X11FocusWatcher::reportActiveWindow() {
    const xcb_window_t window = firstWord(windowProperty(x_->connection, x_->root, x_->activeWindow, XCB_ATOM_WINDOW));
    // A window manager sets the property again for the same window; that is no change.
    if (window == lastWindow_) return;
    lastWindow_ = window;
    std::vector<std::string> names = applicationOf(window);
    if (!names.empty()) Q_EMIT focusChanged(names);
}

std::vector<std::string> X11FocusWatcher::applicationOf(std::uint32_t window) {
    xcb_connection_t* c = x_->connection;
    if (window == XCB_WINDOW_NONE) return {};
    const std::uint32_t pid = firstWord(windowProperty(c, window, x_->windowPid, XCB_ATOM_CARDINAL));
    // This program's own window is where its rules are set, not an application to follow.
    if (pid != 0 && pid == static_cast<std::uint32_t>(getpid())) return {};
    std::vector<std::string> names;
    const std::string windowClass = windowProperty(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    for (std::size_t start = 0; start < windowClass.size();) {
        const std::size_t end = std::min(windowClass.find('\0', start), windowClass.size());
        names.push_back(windowClass.substr(start, end - start));
        start = end + 1;
    }
    if (pid != 0) names.push_back(programFileName(pid));
    std::erase(names, std::string());
    return names;
}

}  // namespace qx4::gui
