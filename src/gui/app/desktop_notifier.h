// Desktop notifications through the freedesktop notification service on the session bus, or, where
// there is none (no bus, no service, an error reply), as a balloon from the tray icon.
#pragma once

#include <QObject>
#include <QString>

#include <optional>

class QSystemTrayIcon;

namespace qx4::gui {

struct DesktopNotice {
    QString title;
    QString body;
    bool urgent = false;  // stays until the user closes it, where the desktop does that
};

class DesktopNotifier final : public QObject {
    Q_OBJECT
public:
    // The tray icon shows the balloon; it may be null (no balloon then).
    DesktopNotifier(QSystemTrayIcon* tray, QObject* parent);

    // A later notice replaces the one still on screen.
    void notify(const DesktopNotice& notice);

private:
    void send(const DesktopNotice& notice);
    void showBalloon(const DesktopNotice& notice);

    QSystemTrayIcon* tray_;
    uint shownId_ = 0;
    // The id to replace is only known once the service answers, so a notice raised while a call
    // is on its way waits for that answer instead of opening a second notification.
    bool awaitingReply_ = false;
    std::optional<DesktopNotice> waiting_;
};

}  // namespace qx4::gui
