// A desktop session of the test's own for the programs it starts: an X display (Xvfb) with or
// without a tray (qx4_test_tray), and a private session bus with the stand-in services of
// qx4_fake_notifications. Each names itself in DISPLAY or DBUS_SESSION_BUS_ADDRESS while it lives.
#pragma once

#include <QProcess>
#include <QStandardPaths>

#include <optional>
#include <string>

#include "tests/support/x_session.h"

namespace qx4::test {

class XDesktop {
public:
    // Throws std::runtime_error when the server does not come up.
    explicit XDesktop(bool withTray = true) { ready_ = !withTray || startTray(); }
    ~XDesktop() {
        tray_.kill();
        tray_.waitForFinished();
    }
    // False when the tray did not come up.
    bool ready() const { return ready_; }
    // A tray comes, as when a panel starts; false when it did not.
    bool startTray() {
        tray_.start(QStringLiteral(QX4_TEST_TRAY), {});
        return tray_.waitForReadyRead(15000) && tray_.readAll().startsWith("ready");
    }
    // The X server dies, as when a session is cut off.
    void end() { server_.stop(true); }

private:
    XServer server_;
    QProcess tray_;
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
        if (!bus_.waitForReadyRead(15000)) return;
        busEnv_.emplace("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed().toStdString());
        service_.start(QStringLiteral(QX4_FAKE_NOTIFICATIONS), withTray ? QStringList{"--tray"} : QStringList{});
        ready_ = service_.waitForReadyRead(15000) && service_.readLine().startsWith("ready");
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
    QList<QByteArray> shown(int count, int waitMs = 5000) {
        while (shown_.size() < count && service_.waitForReadyRead(waitMs)) collect();
        collect();
        return shown_;
    }
    // Whether a program has put its icon in the tray, once it has or `waitMs` passed.
    bool trayItem(int waitMs = 5000) {
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
        gdbus.waitForFinished(15000);
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
