#include "gui/app/tray_absence.h"

#include "gui/common/app_settings.h"
#include "gui/common/diagnostics.h"
#include "gui/common/msg_wnd.h"

namespace qx4::gui {

bool confirmQuitWithoutTray(QWidget* window) {
    CMsgWnd box(window, QStringLiteral("quit_without_tray_title_text"), QStringLiteral("quit_without_tray_text"));
    box.offerChoices(QStringLiteral("quit_text"), QStringLiteral("keep_open_text"), QString());
    return box.showModal() == CMsgWnd::kConfirmed;
}

CMsgWnd* tellHowToGetATrayOnce(QWidget* window) {
    if (trayHintGiven()) return nullptr;
    // Given once, even where the file cannot be written: the notice is a convenience.
    setTrayHintGiven();
    qCDebug(lcApp, "told: how to get a tray");
    auto* notice = new CMsgWnd(window, QStringLiteral("no_tray_title_text"), QStringLiteral("no_tray_text"));
    notice->showAsNotice(QStringLiteral("close_text"));
    notice->showModeless();
    return notice;
}

}  // namespace qx4::gui
