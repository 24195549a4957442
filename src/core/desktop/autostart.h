// Start at login: the XDG autostart entry "qx4-config.desktop". The user's own entry
// ($XDG_CONFIG_HOME/autostart) decides when there is one; otherwise the first system-wide entry
// ($XDG_CONFIG_DIRS/autostart, as a package installs it) does. An entry with Hidden=true, or with
// X-GNOME-Autostart-enabled=false, starts nothing. The program and qx4ctl switch it the same way.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qx4 {

inline constexpr const char* kAutostartFileName = "qx4-config.desktop";

struct AutostartFolders {
    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart; empty when neither is absolute
    std::filesystem::path user;
    std::vector<std::filesystem::path> system;  // each $XDG_CONFIG_DIRS entry (else /etc/xdg) + /autostart
};
// Worked out from the environment on every call; nothing is created.
AutostartFolders autostartFolders();

struct AutostartState {
    bool enabled = false;
    bool systemWide = false;  // a system-wide entry is installed
    std::filesystem::path decidingEntry;  // the user's entry, else the system-wide one; empty: none
};
AutostartState autostartState(const AutostartFolders& folders);

// Writes or removes the user's entry so that the program starts at login, hidden in the tray
// (`program` --tray), or does not. The user's entry is left out wherever the system-wide entry
// already says the same, so switching off leaves no file behind unless a system-wide entry has
// to be overruled (Hidden=true). Returns what could not be done, or an empty string.
std::string setAutostart(bool enabled, const AutostartFolders& folders, const std::filesystem::path& program);

// One argument of an Exec line, quoted and escaped as desktop entries require.
std::string desktopExecArgument(std::string_view argument);

}  // namespace qx4
