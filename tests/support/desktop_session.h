// A desktop session of the test's own for the programs it starts: an X display (Xvfb) with or
// without a tray, and a private session bus with the stand-in services of qx4_fake_notifications.
// Each names itself in DISPLAY or DBUS_SESSION_BUS_ADDRESS while it lives.
#pragma once

#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/x_session.h"
#include "tests/support/patience.h"

namespace qx4::test {

class XDesktop {
public:
    // Throws std::runtime_error when the server does not come up.
    explicit XDesktop(bool withTray = true) { ready_ = !withTray || startTray(); }
    ~XDesktop() {
        if (tray_) xcb_disconnect(tray_);
    }
    // False when the tray did not come up.
    bool ready() const { return ready_; }
    // A tray comes, as when a panel starts: a connection of the test's own takes the display's tray
    // selection, docking nothing. False when the server does not say it holds it: a program asking
    // right after must find it.
    bool startTray() {
        tray_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(tray_)) return false;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(tray_)).data;
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t* selection =
            xcb_intern_atom_reply(tray_, xcb_intern_atom(tray_, 0, sizeof name - 1, name), nullptr);
        if (!selection) return false;
        const xcb_window_t owner = xcb_generate_id(tray_);
        xcb_create_window(tray_, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_set_selection_owner(tray_, owner, selection->atom, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t* held =
            xcb_get_selection_owner_reply(tray_, xcb_get_selection_owner(tray_, selection->atom), nullptr);
        const bool owned = held && held->owner == owner;
        std::free(held);
        std::free(selection);
        return owned;
    }
    // The X server dies, as when a session is cut off.
    void end() { server_.stop(true); }

private:
    XServer server_;
    xcb_connection_t* tray_ = nullptr;
    bool ready_ = false;
};

// The bus with a notification service that prints each notification, and, when asked, a tray host
// as Wayland desktops offer one.
class SessionServices {
public:
    explicit SessionServices(bool withTray = false) {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return;
        bus_.emplace(std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--print-address=1"});
        if (!bus_->waitFor("\n")) return;
        busEnv_.emplace("DBUS_SESSION_BUS_ADDRESS", bus_->output().substr(0, bus_->output().find('\n')));
        service_.emplace(withTray ? std::vector<std::string>{QX4_FAKE_NOTIFICATIONS, "--tray"}
                                  : std::vector<std::string>{QX4_FAKE_NOTIFICATIONS});
        ready_ = service_->waitFor("ready\n");
    }
    ~SessionServices() {
        for (auto* process : {&service_, &bus_}) {
            if (*process) (*process)->stop();
        }
    }

    // False when there is no dbus-daemon or the services did not come up.
    bool ready() const { return ready_; }
    // Every notification shown so far, once `count` of them have arrived (or the patience ran out).
    std::vector<std::string> shown(std::size_t count) {
        service_->waitUntil([&](const std::string& out) { return notificationsIn(out).size() >= count; });
        return notificationsIn(service_->output());
    }
    // Whether a program has put its icon in the tray, once it has (or the patience ran out).
    bool trayItem() { return service_->waitUntil([](const std::string& out) { return out.find("tray item\n") != std::string::npos; }); }
    // gdbus's answer to `arguments` (a command, then its own arguments) about qx4-config's object.
    static std::string gdbus(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin() + 1, {"--session", "--dest", "io.github.qx4config.Qx4Config1", "--object-path",
                                                 "/io/github/qx4config/Qx4Config1"});
        arguments.insert(arguments.begin(), "gdbus");
        std::string answer = run(std::move(arguments), {.mergeErrors = true}).out;
        while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back()))) answer.pop_back();
        return answer;
    }
    static std::string property(const char* name) {
        return gdbus({"call", "--method", "org.freedesktop.DBus.Properties.Get", "io.github.qx4config.Qx4Config1", name});
    }

private:
    // The service's lines after "ready", less the tray's.
    static std::vector<std::string> notificationsIn(const std::string& out) {
        std::istringstream lines(out);
        std::vector<std::string> shown;
        for (std::string line; std::getline(lines, line);) {
            if (line != "ready" && line != "tray item") shown.push_back(line);
        }
        return shown;
    }
    std::optional<Child> bus_;
    std::optional<ScopedEnv> busEnv_;
    std::optional<Child> service_;
    bool ready_ = false;
};

}  // namespace qx4::test
