// Stands in for a desktop's notification service on a private session bus: takes the name
// org.freedesktop.Notifications, prints "ready", then one line per notification,
// "notify <id> <urgency> <summary>: <body>", and runs until it is killed or the bus goes.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include <cstdio>

class Notifications final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit Notifications(QObject* parent) : QDBusAbstractAdaptor(parent) {}

public Q_SLOTS:
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int) {
        // A slow service: the program's next notice comes before this answer and must still
        // replace this one.
        QThread::msleep(400);
        const uint id = replacesId != 0 ? replacesId : ++lastId_;
        std::printf("notify %u %d %s: %s\n", id, hints.value(QStringLiteral("urgency")).toInt(),
                    qPrintable(summary), qPrintable(body));
        std::fflush(stdout);
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    void CloseNotification(uint) {}
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("qx4 tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("fake notifications");
    }

private:
    uint lastId_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QObject root;
    new Notifications(&root);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &root) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "fake notifications: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_notifications.moc"
