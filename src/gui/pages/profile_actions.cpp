#include "gui/pages/profile_actions.h"

#include <QDir>
#include <QFileDialog>

#include <filesystem>

#include "core/config/config_file.h"
#include "core/config/profile_file.h"
#include "gui/app/msg_wnd.h"
#include "gui/app/resource_manager.h"

namespace qx4::gui {

namespace {
// Qt's own dialog rather than the desktop's, so it wears the program's skin everywhere.
QString chooseProfileFile(QWidget* owner, QFileDialog::AcceptMode mode) {
    const ResourceManager& texts = ResourceManager::instance();
    const bool saving = mode == QFileDialog::AcceptSave;
    // The dialog opens in the profile folder; without it Qt would fall back to the working directory.
    const std::filesystem::path folder = dataDirectory() / "ms_1";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    QFileDialog dialog(owner,
                       texts.text(saving ? QStringLiteral("profile_export_title_text")
                                         : QStringLiteral("profile_import_title_text")),
                       QString::fromStdString(folder.string()),
                       texts.text(QStringLiteral("profile_file_filter_text")));
    dialog.setObjectName(QStringLiteral("profile_file_dialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (saving) dialog.setDefaultSuffix(QStringLiteral("pro"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

void warn(QWidget* owner, const char* textKey) {
    runMessageBox(owner, QStringLiteral("warning_title_text"), QString::fromLatin1(textKey));
}
}  // namespace

bool exportActiveProfile(QWidget* owner, const DeviceConfig& config) {
    const QString file = chooseProfileFile(owner, QFileDialog::AcceptSave);
    if (file.isEmpty()) return false;
    if (exportProfile(config, toPath(file))) return true;
    warn(owner, "profile_export_failed_text");
    return false;
}

bool importIntoActiveProfile(QWidget* owner, DeviceConfig& config, MacroList& macros) {
    const QString file = chooseProfileFile(owner, QFileDialog::AcceptOpen);
    if (file.isEmpty()) return false;
    const ProfileImportResult result = importProfile(config, macros, toPath(file));
    switch (result.status) {
        case ProfileImportStatus::wrongSize:
            warn(owner, "profile_wrong_size_text");
            return false;
        case ProfileImportStatus::unreadable:
            warn(owner, "profile_unreadable_text");
            return false;
        case ProfileImportStatus::notRegularFile:
            warn(owner, "profile_not_regular_text");
            return false;
        case ProfileImportStatus::imported:
            break;
    }
    if (result.macrosAdded > 0 && !result.macrosSaved) warn(owner, "profile_macros_not_saved_text");
    return true;
}

}  // namespace qx4::gui
