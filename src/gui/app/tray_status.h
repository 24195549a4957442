// What the tray icon says about the mouse: the tool tip (the mouse's name, then the link with the
// battery and charging, or that it sleeps, or why there is no mouse) and the icon, with a
// low-battery mark at 20 % and below.
#pragma once

#include <QIcon>
#include <QString>

#include "core/device/device_access.h"
#include "gui/app/battery_warnings.h"

namespace qx4::gui {

// `access` says why there is no link when none is present.
QString trayToolTip(const PowerReading& reading, DeviceAccess::State access);
QIcon statusIcon(bool lowBatteryMark);

}  // namespace qx4::gui
