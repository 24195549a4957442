#include "gui/app/tray_status.h"

#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
QString stateLine(const PowerReading& reading, DeviceAccess::State access) {
    if (!reading.connected) {
        if (access == DeviceAccess::State::notPermitted) return text("tray_no_access_text");
        return text(access == DeviceAccess::State::noNode ? "tray_no_node_text" : "tray_no_mouse_text");
    }
    const QString link = text(reading.charging ? "tray_cable_text" : "tray_receiver_text");
    const int percent = reading.level * 10;
    if (reading.asleep) return text("tray_asleep_text").arg(link);
    if (reading.charging) {
        return reading.level > 0 ? text("tray_charging_text").arg(link).arg(percent)
                                 : text("tray_charging_unknown_text").arg(link);
    }
    return reading.level > 0 ? text("tray_battery_text").arg(link).arg(percent)
                             : text("tray_battery_unknown_text").arg(link);
}
}  // namespace

QString trayToolTip(const PowerReading& reading, DeviceAccess::State access) {
    return text("mouse_name_text") + QLatin1Char('\n') + stateLine(reading, access);
}

QIcon statusIcon(bool lowBatteryMark) {
    return QIcon(ResourceManager::instance().resourcePath(lowBatteryMark ? QStringLiteral("skin/qx4-tray-low.svg")
                                                                          : QStringLiteral("skin/qx4-tray.svg")));
}

}  // namespace qx4::gui
