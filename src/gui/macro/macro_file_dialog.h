// Asks for a single-macro file (*.macro) with Qt's own file dialog, opening in the data folder.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

class QWidget;

namespace qx4::gui {

enum class MacroFileUse { importing, exporting };

// The chosen file, or nullopt when the user cancelled.
std::optional<std::filesystem::path> chooseMacroFile(QWidget* owner, MacroFileUse use);

}  // namespace qx4::gui
