#include "gui/pages/system_mouse_settings.h"

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <algorithm>

#include "gui/common/msg_wnd.h"

namespace qx4::gui {

namespace {
std::vector<SettingsCommand> knownCommands() {
    return {
        {QStringLiteral("GNOME"), QStringLiteral("gnome-control-center"), {QStringLiteral("mouse")}},
        {QStringLiteral("KDE"), QStringLiteral("systemsettings"), {QStringLiteral("kcm_mouse")}},
        {QStringLiteral("KDE"), QStringLiteral("systemsettings5"), {QStringLiteral("kcm_mouse")}},
        {QStringLiteral("KDE"), QStringLiteral("kcmshell6"), {QStringLiteral("kcm_mouse")}},
        {QStringLiteral("KDE"), QStringLiteral("kcmshell5"), {QStringLiteral("kcm_mouse")}},
        {QStringLiteral("XFCE"), QStringLiteral("xfce4-mouse-settings"), {}},
        {QStringLiteral("X-Cinnamon"), QStringLiteral("cinnamon-settings"), {QStringLiteral("mouse")}},
        {QStringLiteral("MATE"), QStringLiteral("mate-mouse-properties"), {}},
        {QStringLiteral("LXQt"), QStringLiteral("lxqt-config-input"), {}},
        {QStringLiteral("Budgie"), QStringLiteral("budgie-control-center"), {QStringLiteral("mouse")}},
        {QStringLiteral("Unity"), QStringLiteral("unity-control-center"), {QStringLiteral("mouse")}},
    };
}
}  // namespace

std::vector<SettingsCommand> mouseSettingsCommands(const QString& currentDesktops) {
    std::vector<SettingsCommand> commands = knownCommands();
    const QStringList running = currentDesktops.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    std::stable_partition(commands.begin(), commands.end(), [&](const SettingsCommand& command) {
        return running.contains(command.desktop, Qt::CaseInsensitive);
    });
    return commands;
}

bool openSystemMouseSettings() {
    const QString desktops =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP"));
    for (const SettingsCommand& command : mouseSettingsCommands(desktops)) {
        const QString path = QStandardPaths::findExecutable(command.program);
        if (!path.isEmpty() && QProcess::startDetached(path, command.arguments)) return true;
    }
    // A button that does nothing would leave the user guessing.
    runMessageBox(QApplication::activeWindow(), QStringLiteral("warning_title_text"),
                  QStringLiteral("mouse_settings_missing_text"));
    return false;
}

}  // namespace qx4::gui
