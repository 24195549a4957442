#include "gui/macro/macro_file_dialog.h"

#include "gui/common/file_dialog.h"

namespace qx4::gui {

std::optional<std::filesystem::path> chooseMacroFile(QWidget* owner, MacroFileUse use) {
    const bool exporting = use == MacroFileUse::exporting;
    return chooseUserFile(owner, {"macro_file_dialog", exporting ? "macro_export_title_text" : "macro_import_title_text",
                                  "macro_file_filter_text", exporting ? QStringLiteral("macro") : QString()});
}

}  // namespace qx4::gui
