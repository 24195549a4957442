// Makes the active profile follow the application in front: takes focus reports from the X11
// watcher and from the desktop (D-Bus), lets the engine decide, and selects through the profile
// target. A timer runs only while a focus change rests, so an idle desktop costs nothing. The
// rules are loaded at start and saved on every change.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

#include "core/rules/follow_engine.h"

class QTimer;

namespace qx4::gui {

class ProfileTarget;

class FocusFollower final : public QObject {
    Q_OBJECT
public:
    enum class Source { x11, desktop };

    FocusFollower(ProfileTarget& target, QObject* parent);

    // Why the rules file could not be used at start; empty when it could.
    const QString& loadProblem() const { return loadProblem_; }
    const FocusRules& rules() const { return engine_.rules(); }
    // Saves and takes them; empty on success, else why not (the rules then stay as they were).
    QString changeRules(const FocusRules& rules);

    // The application in front, by its names (the first is the one shown).
    void reportFocus(std::vector<std::string> names, Source source);
    const std::vector<std::string>& recentApps() const { return engine_.recentApps(); }
    // Whether a desktop component has reported the focus during this run.
    bool desktopReports() const { return desktopReports_; }
    // The application whose rule made the active profile active; empty when none did.
    const QString& followedApp() const { return followedApp_; }

    // The words for what follows: which application made the profile active, or on a Wayland
    // session without the desktop's reports, which windows are followed there (also before the
    // first rule, so that it is known when one is made).
    QString statusText() const;

Q_SIGNALS:
    void rulesChanged();
    void followedAppChanged();
    void recentAppsChanged();

private:
    void settleNow();
    void setFollowedApp(const QString& app);

    ProfileTarget& target_;
    FollowEngine engine_;
    QTimer* restTimer_;
    QString loadProblem_;
    QString followedApp_;
    bool desktopReports_ = false;
    bool waitingForApply_ = false;
};

// Whether this session's own windows are Wayland ones, which the X11 watcher cannot see.
bool onWaylandSession();

}  // namespace qx4::gui
