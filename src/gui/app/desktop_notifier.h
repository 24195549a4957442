// Desktop notifications through the freedesktop notification service on the session bus, or, where
// there is none (no bus, no service, an error reply), as a balloon from the tray icon.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <optional>

class QSystemTrayIcon;

namespace qx4::gui {

struct DesktopNotice {
    QString title;
    QString body;
    bool urgent = false;  // stays until the user closes it, where the desktop does that
    // A passing state, such as the DPI the mouse switched to: low urgency, kept out of the
    // desktop's notification list, gone after kPassingMilliseconds, and never a balloon.
    bool passing = false;
};

class DesktopNotifier final : public QObject {
    Q_OBJECT
public:
    static constexpr int kPassingMilliseconds = 2000;

    // The tray icon shows the balloon; it may be null (no balloon then).
    DesktopNotifier(QSystemTrayIcon* tray, QObject* parent);

    // A later notice replaces the one of its kind (passing or not) still on screen.
    void notify(const DesktopNotice& notice);

private:
    // Passing notices replace each other, not a battery warning still on screen.
    struct Kind {
        uint shownId = 0;
        // The id to replace is only known once the service answers, so a notice raised while a
        // call is on its way waits for that answer instead of opening a second notification.
        bool awaitingReply = false;
        std::optional<DesktopNotice> waiting;
    };
    void send(const DesktopNotice& notice);
    void showBalloon(const DesktopNotice& notice);
    Kind& kindOf(const DesktopNotice& notice) { return kinds_[notice.passing ? 1 : 0]; }

    QSystemTrayIcon* tray_;
    std::array<Kind, 2> kinds_;
};

}  // namespace qx4::gui
