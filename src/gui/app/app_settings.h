// The program's own few settings, kept in "settings.ini" in the data folder (qx4ctl path), apart
// from the configuration record that the mouse holds:
//   [General]
//   battery_warnings=false    no desktop notification when the battery runs low (default: true)
// A missing or unreadable file means the defaults.
#pragma once

#include <QString>

namespace qx4::gui {

QString settingsFilePath();

bool batteryWarningsEnabled();
// False when the file could not be written; the setting then stays as it was.
bool setBatteryWarningsEnabled(bool enabled);

}  // namespace qx4::gui
