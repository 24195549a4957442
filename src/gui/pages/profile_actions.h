// What the wireless page's profile-file buttons do: save the active profile to a *.pro file, and
// read one over the active profile. Both ask for the file with the program's file dialog
// (gui/common/file_dialog.h), and say in a warning box what they could not do.
#pragma once

#include <filesystem>
#include <optional>

class QWidget;

namespace qx4 {
struct DeviceConfig;
}  // namespace qx4

namespace qx4::gui {

class MouseSession;

// The file written; nothing when the user cancelled or it could not be written (which is said).
std::optional<std::filesystem::path> exportActiveProfile(QWidget* owner, const DeviceConfig& config);

// The file the active profile was read over from, through the session, which announces it; the
// caller asks for a full apply. Nothing when the user cancelled or the file was refused (the
// record and the store are then unchanged).
std::optional<std::filesystem::path> importIntoActiveProfile(QWidget* owner, MouseSession& session);

}  // namespace qx4::gui
