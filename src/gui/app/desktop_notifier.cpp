#include "gui/app/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVariantMap>

#include <utility>

#include "gui/app/diagnostics.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;
constexpr int kServerDecidesTimeout = -1;
constexpr int kBalloonMilliseconds = 10000;
// A service that does not answer by then is taken to be missing, so later notices are not held up.
constexpr int kReplyMilliseconds = 5000;
}  // namespace

DesktopNotifier::DesktopNotifier(QSystemTrayIcon* tray, QObject* parent) : QObject(parent), tray_(tray) {}

void DesktopNotifier::notify(const DesktopNotice& notice) {
    if (awaitingReply_) {
        waiting_ = notice;
        return;
    }
    send(notice);
}

void DesktopNotifier::send(const DesktopNotice& notice) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        showBalloon(notice);
        return;
    }
    const QString icon =
        QUrl::fromLocalFile(ResourceManager::instance().resourcePath(QStringLiteral("skin/qx4-tray.svg"))).toString();
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(notice.urgent ? kCriticalUrgency : kNormalUrgency)},
                            {QStringLiteral("desktop-entry"), QStringLiteral("qx4-config")},
                            {QStringLiteral("category"), QStringLiteral("device")}};
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("qx4-config") << shownId_ << icon << notice.title << notice.body << QStringList() << hints
         << kServerDecidesTimeout;
    awaitingReply_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kReplyMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            qCDebug(lcApp) << "no notification service:" << reply.error().message();
            showBalloon(notice);
        } else {
            shownId_ = reply.value();
        }
        finished->deleteLater();
        awaitingReply_ = false;
        if (waiting_) send(*std::exchange(waiting_, std::nullopt));
    });
}

void DesktopNotifier::showBalloon(const DesktopNotice& notice) {
    if (!tray_) return;
    tray_->showMessage(notice.title, notice.body,
                       notice.urgent ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, kBalloonMilliseconds);
}

}  // namespace qx4::gui
