#include "gui/follow/bus_service.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

#include "core/config/device_config.h"
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
    : QObject(parent), target_(target), follower_(follower), shown_(target.deviceState()) {
    connect(&target_, &ProfileTarget::stateChanged, this, &BusService::announceChanges);
}

void BusService::SelectProfile(uint profile) {
    if (profile < 1 || profile > static_cast<uint>(kProfileCount)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("the profile is 1-5, not %1").arg(profile));
        return;
    }
    target_.selectProfile(static_cast<int>(profile) - 1, ProfileTarget::Cause::hand);
}

void BusService::Apply() { target_.requestApply(); }

void BusService::ReportFocus(const QString& appId) {
    follower_.reportFocus({appId.trimmed().toStdString()}, FocusFollower::Source::desktop);
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
