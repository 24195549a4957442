#include "gui/follow/bus_service.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

#include "core/config/device_config.h"
#include "core/instance/instance_messages.h"
#include "gui/common/diagnostics.h"
#include "gui/follow/focus_follower.h"

namespace qx4::gui {

BusService* BusService::offer(ProfileTarget& target, FocusFollower& follower, QObject* parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(lcApp, "no session bus: the D-Bus service is not offered");
        return nullptr;
    }
    auto* service = new BusService(target, follower, parent);
    if (!bus.registerObject(QString::fromLatin1(kBusPath), service,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QString::fromLatin1(kBusName))) {
        qCWarning(lcApp, "the D-Bus service is not offered: %s", qUtf8Printable(bus.lastError().message()));
        bus.unregisterObject(QString::fromLatin1(kBusPath));
        delete service;
        return nullptr;
    }
    qCDebug(lcApp, "D-Bus service offered as %s", kBusName);
    return service;
}

BusService::BusService(ProfileTarget& target, FocusFollower& follower, QObject* parent)
    : QObject(parent), target_(target), follower_(follower), requests_(target, this), shown_(target.deviceState()) {
    connect(&target_, &ProfileTarget::stateChanged, this, &BusService::announceChanges);
}

void BusService::SelectProfile(uint profile) {
    if (profile < 1 || profile > static_cast<uint>(kProfileCount)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("the profile is 1-5, not %1").arg(profile));
        return;
    }
    requests_.selectProfile(static_cast<int>(profile) - 1, delayedReply());
}

void BusService::Apply() { requests_.apply(delayedReply()); }

MouseRequests::Reply BusService::delayedReply() {
    setDelayedReply(true);
    return [bus = connection(), call = message()](MouseRequests::Answer answer) {
        bus.send(answer == MouseRequests::Answer::handed
                     ? call.createReply()
                     : call.createErrorReply(QStringLiteral("io.github.qx4config.Qx4Config1.Error.Superseded"),
                                             QStringLiteral("a later %1 call replaced this one").arg(call.member())));
    };
}

void BusService::ReportFocus(const QString& appId) {
    // Measured in UTF-16 first, so that a huge id is refused before it is converted.
    const bool fits = appId.size() <= static_cast<qsizetype>(kMaxFieldBytes);
    std::string name = fits ? appId.trimmed().toStdString() : std::string();
    if (!fits || name.size() > kMaxFieldBytes) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("an application id is at most %1 bytes of UTF-8").arg(kMaxFieldBytes));
        return;
    }
    follower_.reportFocus({std::move(name)}, FocusFollower::Source::desktop);
}

void BusService::announceChanges() {
    const DeviceState now = target_.deviceState();
    QVariantMap changed;
    if (now.link != shown_.link) changed.insert(QStringLiteral("Link"), now.link);
    if (now.batteryPercent != shown_.batteryPercent) changed.insert(QStringLiteral("BatteryLevel"), now.batteryPercent);
    if (now.charging != shown_.charging) changed.insert(QStringLiteral("Charging"), now.charging);
    if (now.asleep != shown_.asleep) changed.insert(QStringLiteral("Asleep"), now.asleep);
    if (now.activeProfile != shown_.activeProfile) changed.insert(QStringLiteral("ActiveProfile"), now.activeProfile);
    if (now.dpiLevel != shown_.dpiLevel) changed.insert(QStringLiteral("DpiLevel"), now.dpiLevel);
    shown_ = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kBusPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kBusName) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

}  // namespace qx4::gui
