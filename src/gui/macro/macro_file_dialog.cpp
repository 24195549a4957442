#include "gui/macro/macro_file_dialog.h"

#include <QFile>
#include <QFileDialog>

#include "core/config/config_file.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

// Qt's own dialog rather than the desktop's, so it wears the program's skin everywhere.
std::optional<std::filesystem::path> chooseMacroFile(QWidget* owner, MacroFileUse use) {
    const ResourceManager& texts = ResourceManager::instance();
    const bool exporting = use == MacroFileUse::exporting;
    // Without an existing folder Qt would open the dialog in the working directory.
    const std::filesystem::path folder = dataDirectory() / "ms_1";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    QFileDialog dialog(owner,
                       texts.text(exporting ? QStringLiteral("macro_export_title_text")
                                            : QStringLiteral("macro_import_title_text")),
                       QString::fromStdString(folder.string()),
                       texts.text(QStringLiteral("macro_file_filter_text")));
    dialog.setObjectName(QStringLiteral("macro_file_dialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(exporting ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(exporting ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (exporting) dialog.setDefaultSuffix(QStringLiteral("macro"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString());
}

}  // namespace qx4::gui
