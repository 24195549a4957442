// A private session bus with the stand-in desktop services on it (fake_notifications.cpp): a
// notification service that prints each notification, and, when asked, a tray host as Wayland
// desktops offer one. DBUS_SESSION_BUS_ADDRESS points at the bus while the object lives.
#pragma once

#include <QProcess>
#include <QStandardPaths>

#include <optional>

#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {

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
    SessionServices(const SessionServices&) = delete;
    SessionServices& operator=(const SessionServices&) = delete;

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
