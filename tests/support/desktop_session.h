// A desktop session of the test's own for the programs it starts: an X display (Xvfb) with or
// without a tray, and a private session bus with the stand-in services of qx4_fake_notifications.
// Each names itself in DISPLAY or DBUS_SESSION_BUS_ADDRESS while it lives.
#pragma once

#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>
#include <string>

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
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) return;
        bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
        if (!bus_.waitForReadyRead(kPatienceMs)) return;
        busEnv_.emplace("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed().toStdString());
        service_.start(QStringLiteral(QX4_FAKE_NOTIFICATIONS), withTray ? QStringList{"--tray"} : QStringList{});
        ready_ = service_.waitForReadyRead(kPatienceMs) && service_.readLine().startsWith("ready");
    }
    ~SessionServices() {
        for (QProcess* process : {&service_, &bus_}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    // False when there is no dbus-daemon or the services did not come up.
    bool ready() const { return ready_; }
    // Every notification shown so far, once `count` of them have arrived or `waitMs` passed
    // without one.
    QList<QByteArray> shown(int count, int waitMs = kPatienceMs) {
        while (shown_.size() < count && service_.waitForReadyRead(waitMs)) collect();
        collect();
        return shown_;
    }
    // Whether a program has put its icon in the tray, once it has or `waitMs` passed.
    bool trayItem(int waitMs = kPatienceMs) {
        while (!trayItem_ && service_.waitForReadyRead(waitMs)) collect();
        collect();
        return trayItem_;
    }
    // gdbus's answer to `arguments` (a command, then its own arguments) about qx4-config's object.
    static std::string gdbus(const QStringList& arguments) {
        QProcess gdbus;
        gdbus.setProcessChannelMode(QProcess::MergedChannels);
        gdbus.start(QStringLiteral("gdbus"), QStringList{arguments.front(), "--session", "--dest",
                                                         "io.github.qx4config.Qx4Config1", "--object-path",
                                                         "/io/github/qx4config/Qx4Config1"} +
                                                 arguments.mid(1));
        gdbus.waitForFinished(kPatienceMs);
        return gdbus.readAll().trimmed().toStdString();
    }
    static std::string property(const char* name) {
        return gdbus({"call", "--method", "org.freedesktop.DBus.Properties.Get", "io.github.qx4config.Qx4Config1", name});
    }

private:
    void collect() {
        while (service_.canReadLine()) {
            const QByteArray line = service_.readLine().trimmed();
            if (line == "tray item") {
                trayItem_ = true;
            } else {
                shown_.append(line);
            }
        }
    }
    QProcess bus_;
    std::optional<ScopedEnv> busEnv_;
    QProcess service_;
    bool ready_ = false;
    QList<QByteArray> shown_;
    bool trayItem_ = false;
};

}  // namespace qx4::test
