#include "gui/common/file_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QStandardPaths>
#include <QTreeView>

#include <algorithm>

#include "gui/common/app_settings.h"
#include "gui/common/resource_manager.h"

namespace qx4::gui {

namespace {
// Never the data folder: these files are for the user to keep and pass on.
QString startFolder() {
    const QString remembered = lastFileFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

// Qt's own dialog sizes the columns of its file list for sample texts, which a file's size, a
// translated type or a heading can outgrow and would then be cut short. The columns after the name
// fit what the folder shows instead, and the dialog is wide enough for them beside the name.
void fitColumnsToFiles(QFileDialog& dialog) {
    constexpr int kDialogWidth = 760;
    auto* files = dialog.findChild<QTreeView*>();
    const auto* model = dialog.findChild<QFileSystemModel*>();
    if (files == nullptr || model == nullptr) return;  // the desktop's own dialog
    dialog.resize(std::max(dialog.width(), kDialogWidth), dialog.height());
    QObject::connect(model, &QFileSystemModel::directoryLoaded, files, [files] {
        for (int column = 1; column < files->header()->count(); ++column) files->resizeColumnToContents(column);
    });
}
}  // namespace

std::optional<std::filesystem::path> chooseUserFile(QWidget* owner, const FileDialogRequest& request) {
    const ResourceManager& texts = ResourceManager::instance();
    const bool saving = !request.saveSuffix.isEmpty();
    QFileDialog dialog(owner, texts.text(QString::fromLatin1(request.titleKey)), startFolder(),
                       texts.text(QString::fromLatin1(request.filterKey)));
    dialog.setObjectName(QString::fromLatin1(request.objectName));
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (saving) dialog.setDefaultSuffix(request.saveSuffix);
    fitColumnsToFiles(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString file = dialog.selectedFiles().constFirst();
    setLastFileFolder(QFileInfo(file).absolutePath());
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

}  // namespace qx4::gui
