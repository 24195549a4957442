// Asks for a profile or macro file to import or export. The dialog opens in the folder where the
// user last took or put such a file, else in the documents folder, and remembers the folder of the
// file chosen. It is the desktop's own dialog where the desktop offers one, else Qt's, which wears
// the program's skin.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

class QWidget;

namespace qx4::gui {

struct FileDialogRequest {
    const char* objectName;
    const char* titleKey;   // language keys
    const char* filterKey;
    QString saveSuffix;     // a save dialog, adding this suffix to a name without one; empty: open
};

// The chosen file, or nullopt when the user cancelled.
std::optional<std::filesystem::path> chooseUserFile(QWidget* owner, const FileDialogRequest& request);

// A chosen file as the status line names it: its name, as the user just chose its folder.
inline QString chosenFileName(const std::filesystem::path& file) {
    return QString::fromStdString(file.filename().string());
}

}  // namespace qx4::gui
