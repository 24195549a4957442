#include "gui/common/app_settings.h"

#include <QFile>
#include <QSettings>

#include "core/config/config_file.h"

namespace qx4::gui {

namespace {
const QString kBatteryWarnings = QStringLiteral("battery_warnings");
const QString kFileFolder = QStringLiteral("file_folder");
const QString kTrayHintGiven = QStringLiteral("tray_hint_given");
const QString kLanguage = QStringLiteral("language");

bool writeSetting(const QString& key, const QVariant& value) {
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    // Private like the other data files; a rewrite keeps the mode.
    QFile::setPermissions(settingsFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return settings.status() == QSettings::NoError;
}
}  // namespace

QString settingsFilePath() {
    return QString::fromStdString((dataDirectory() / "settings.ini").string());
}

bool batteryWarningsEnabled() {
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(kBatteryWarnings, true).toBool();
}

bool setBatteryWarningsEnabled(bool enabled) { return writeSetting(kBatteryWarnings, enabled); }

QString lastFileFolder() {
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(kFileFolder).toString();
}

void setLastFileFolder(const QString& folder) {
    if (folder != lastFileFolder()) writeSetting(kFileFolder, folder);
}

bool trayHintGiven() {
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(kTrayHintGiven, false).toBool();
}

void setTrayHintGiven() { writeSetting(kTrayHintGiven, true); }

QString chosenLanguage() {
    const QSettings settings(settingsFilePath(), QSettings::IniFormat);
    return settings.value(kLanguage).toString();
}

bool setChosenLanguage(const QString& language) {
    if (!language.isEmpty()) return writeSetting(kLanguage, language);
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    settings.remove(kLanguage);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QLocale languageToShow() {
    const QString chosen = chosenLanguage();
    return chosen.isEmpty() ? QLocale::system() : QLocale(chosen);
}

}  // namespace qx4::gui
