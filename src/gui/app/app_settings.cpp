#include "gui/app/app_settings.h"

#include <QSettings>

#include "core/config/config_file.h"

namespace qx4::gui {

namespace {
const QString kBatteryWarnings = QStringLiteral("battery_warnings");
}

QString settingsFilePath() {
    return QString::fromStdString((dataDirectory() / "settings.ini").string());
}

bool batteryWarningsEnabled() {
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(kBatteryWarnings, true).toBool();
}

bool setBatteryWarningsEnabled(bool enabled) {
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.setValue(kBatteryWarnings, enabled);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace qx4::gui
