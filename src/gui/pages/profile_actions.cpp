#include "gui/pages/profile_actions.h"

#include "core/edit/profile_file.h"
#include "gui/common/file_dialog.h"
#include "gui/common/msg_wnd.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

namespace {
std::optional<std::filesystem::path> chooseProfileFile(QWidget* owner, bool saving) {
    return chooseUserFile(owner, {"profile_file_dialog", saving ? "profile_export_title_text" : "profile_import_title_text",
                                  "profile_file_filter_text", saving ? QStringLiteral("pro") : QString()});
}

void warn(QWidget* owner, const char* textKey) {
    runMessageBox(owner, QStringLiteral("warning_title_text"), QString::fromLatin1(textKey));
}
}  // namespace

std::optional<std::filesystem::path> exportActiveProfile(QWidget* owner, const DeviceConfig& config) {
    const auto file = chooseProfileFile(owner, true);
    if (!file || exportProfile(config, *file)) return file;
    warn(owner, "profile_export_failed_text");
    return std::nullopt;
}

std::optional<std::filesystem::path> importIntoActiveProfile(QWidget* owner, MouseSession& session) {
    const auto file = chooseProfileFile(owner, false);
    if (!file) return std::nullopt;
    const ProfileImportResult result = session.importProfile(*file);
    switch (result.status) {
        case ProfileImportStatus::wrongSize:
            warn(owner, "profile_wrong_size_text");
            return std::nullopt;
        case ProfileImportStatus::unreadable:
            warn(owner, "profile_unreadable_text");
            return std::nullopt;
        case ProfileImportStatus::notRegularFile:
            warn(owner, "profile_not_regular_text");
            return std::nullopt;
        case ProfileImportStatus::imported:
            break;
    }
    if (result.macrosAdded > 0 && !result.macrosSaved) warn(owner, "profile_macros_not_saved_text");
    return file;
}

}  // namespace qx4::gui
