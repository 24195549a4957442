// Opens the desktop's own mouse settings (pointer speed, handedness, ...), which this program does
// not duplicate. Each common desktop ships its own tool; the one of the running desktop is tried
// first, then the others that are installed.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace qx4::gui {

struct SettingsCommand {
    QString desktop;  // as named in XDG_CURRENT_DESKTOP
    QString program;
    QStringList arguments;
};

// Candidate commands, those of `currentDesktops` (XDG_CURRENT_DESKTOP, ':'-separated) first.
std::vector<SettingsCommand> mouseSettingsCommands(const QString& currentDesktops);

// Starts the first installed candidate. When none could be started it says so in a warning box
// over the active window, and returns false.
bool openSystemMouseSettings();

}  // namespace qx4::gui
