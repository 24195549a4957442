#include "gui/app/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVariantMap>

#include <utility>

#include "gui/common/diagnostics.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr uchar kLowUrgency = 0;
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;
constexpr int kServerDecidesTimeout = -1;
constexpr int kBalloonMilliseconds = 10000;
// A service that does not answer by then is taken to be missing, so later notices are not held up.
constexpr int kReplyMilliseconds = 5000;

uchar urgencyOf(const DesktopNotice& notice) {
    if (notice.urgent) return kCriticalUrgency;
    return notice.passing ? kLowUrgency : kNormalUrgency;
}
}  // namespace

DesktopNotifier::DesktopNotifier(QSystemTrayIcon* tray, QObject* parent) : QObject(parent), tray_(tray) {}

void DesktopNotifier::notify(const DesktopNotice& notice) {
    Kind& kind = kindOf(notice);
    if (kind.awaitingReply) {
        kind.waiting = notice;
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
    QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(urgencyOf(notice))},
                      {QStringLiteral("desktop-entry"), QStringLiteral("qx4-config")},
                      {QStringLiteral("category"), QStringLiteral("device")}};
    if (notice.passing) hints.insert(QStringLiteral("transient"), true);
    Kind& kind = kindOf(notice);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("qx4-config") << kind.shownId << icon << notice.title << notice.body << QStringList()
         << hints << (notice.passing ? kPassingMilliseconds : kServerDecidesTimeout);
    kind.awaitingReply = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kReplyMilliseconds), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* finished) {
        Kind& answered = kindOf(notice);
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError()) {
            qCDebug(lcApp) << "no notification service:" << reply.error().message();
            showBalloon(notice);
        } else {
            answered.shownId = reply.value();
        }
        finished->deleteLater();
        answered.awaitingReply = false;
        if (answered.waiting) send(*std::exchange(answered.waiting, std::nullopt));
    });
}

void DesktopNotifier::showBalloon(const DesktopNotice& notice) {
    if (!tray_ || notice.passing) return;
    tray_->showMessage(notice.title, notice.body,
                       notice.urgent ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, kBalloonMilliseconds);
}

}  // namespace qx4::gui
