// The program's own few settings, kept in "settings.ini" in the data folder (qx4ctl path), apart
// from the configuration record that the mouse holds:
//   [General]
//   battery_warnings=false    no desktop notification when the battery runs low (default: true)
//   file_folder=/home/...     where the last profile or macro file was taken from or put
//   tray_hint_given=true      the window has said how to get a tray icon on a desktop without one
//   language=de               the language chosen in the program (default: the desktop's)
// A missing or unreadable file means the defaults. The file is private to the user.
#pragma once

#include <QLocale>
#include <QString>

namespace qx4::gui {

QString settingsFilePath();

bool batteryWarningsEnabled();
// False when the file could not be written; the setting then stays as it was.
bool setBatteryWarningsEnabled(bool enabled);

// Empty when none was remembered.
QString lastFileFolder();
// Remembering is a convenience: a file that cannot be written is left at that.
void setLastFileFolder(const QString& folder);

bool trayHintGiven();
void setTrayHintGiven();

// The language chosen in the program ("en", "de"); empty while it follows the desktop's.
QString chosenLanguage();
// Empty: follow the desktop's again. False when the file could not be written.
bool setChosenLanguage(const QString& language);
// The chosen language, else the desktop's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
QLocale languageToShow();

}  // namespace qx4::gui
