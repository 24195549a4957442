// Stands in for a desktop session's services on a private session bus: takes the name
// org.freedesktop.Notifications, and with --tray also org.kde.StatusNotifierWatcher with a host
// registered (a tray, as Wayland desktops offer one), prints "ready", then one line per
// notification, "notify <id> <urgency> <timeout> <summary>: <body>" (with " transient" when
// hinted so), and "tray item" when a program puts its icon in the tray. Runs until it is killed
// or the bus goes.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include <cstdio>
#include <cstring>

class Notifications final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Notifications(QObject* parent) : QDBusAbstractAdaptor(parent) {}

public Q_SLOTS:
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int timeout) {
        // A slow service: the program's next notice comes before this answer and must still
        // replace this one.
        QThread::msleep(400);
        const uint id = replacesId != 0 ? replacesId : ++lastId_;
        std::printf("notify %u %d %d %s: %s%s\n", id, hints.value(QStringLiteral("urgency")).toInt(), timeout,
                    qPrintable(summary), qPrintable(body),
                    hints.value(QStringLiteral("transient")).toBool() ? " transient" : "");
        std::fflush(stdout);
        return id;
    }

private:
    uint lastId_ = 0;
};

class TrayWatcher final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    // All Qt asks before it registers its icon.
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    explicit TrayWatcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool hostRegistered() const { return true; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString&) {
        std::puts("tray item");
        std::fflush(stdout);
    }
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QObject notifications;
    new Notifications(&notifications);
    QObject tray;
    new TrayWatcher(&tray);
    const bool withTray = argc > 1 && std::strcmp(argv[1], "--tray") == 0;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")) ||
        (withTray && (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &tray) ||
                      !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))))) {
        std::fprintf(stderr, "fake notifications: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_notifications.moc"
