// Asks for a single-macro file (*.macro) with the program's file dialog (gui/common/file_dialog.h).
#pragma once

#include <filesystem>
#include <optional>

class QWidget;

namespace qx4::gui {

enum class MacroFileUse { importing, exporting };

// The chosen file, or nullopt when the user cancelled.
std::optional<std::filesystem::path> chooseMacroFile(QWidget* owner, MacroFileUse use);

}  // namespace qx4::gui
