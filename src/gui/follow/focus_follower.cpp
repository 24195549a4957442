#include "gui/follow/focus_follower.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "gui/common/diagnostics.h"
#include "gui/common/resource_manager.h"
#include "gui/follow/profile_target.h"

namespace qx4::gui {

bool onWaylandSession() {
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return (session && std::string_view(session) == "wayland") || (display && *display);
}

FocusFollower::FocusFollower(ProfileTarget& target, QObject* parent)
    : QObject(parent), target_(target), restTimer_(new QTimer(this)) {
    restTimer_->setObjectName(QStringLiteral("focus_rest_timer"));
    restTimer_->setSingleShot(true);
    connect(restTimer_, &QTimer::timeout, this, &FocusFollower::settleNow);
    connect(&target_, &ProfileTarget::choseByHand, this, [this] {
        engine_.choseByHand();
        waitingForApply_ = false;
        restTimer_->stop();
        setFollowedApp({});
    });
    connect(&target_, &ProfileTarget::applyEnded, this, [this] {
        if (waitingForApply_) settleNow();
    });
    const RulesLoad load = loadRules();
    engine_.setRules(load.rules);
    loadProblem_ = QString::fromStdString(load.problem);
    if (!load.problem.empty()) qCWarning(lcApp, "rules: %s", load.problem.c_str());
}

QString FocusFollower::changeRules(const FocusRules& rules) {
    if (const std::string error = saveRules(rules); !error.empty()) return QString::fromStdString(error);
    engine_.setRules(rules);
    loadProblem_.clear();
    Q_EMIT rulesChanged();
    return {};
}

void FocusFollower::reportFocus(std::vector<std::string> names, Source source) {
    std::erase_if(names, [](const std::string& name) { return name.empty(); });
    if (names.empty()) return;
    if (source == Source::desktop && !desktopReports_) {
        desktopReports_ = true;
        Q_EMIT followedAppChanged();
    }
    qCDebug(lcApp, "focus: %s", names.front().c_str());
    const auto now = FollowEngine::Clock::now();
    const auto due = engine_.focusReported(std::move(names), now);
    waitingForApply_ = false;
    restTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(due - now));
    Q_EMIT recentAppsChanged();
}

void FocusFollower::settleNow() {
    const auto now = FollowEngine::Clock::now();
    const FollowEngine::Decision decision = engine_.settle(now, {target_.activeProfile(), target_.applyRunning()});
    waitingForApply_ = decision.kind == FollowEngine::Decision::Kind::askAgainAfterApply;
    switch (decision.kind) {
    case FollowEngine::Decision::Kind::askAgainAt:
        restTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(decision.at - now));
        break;
    case FollowEngine::Decision::Kind::select:
        qCDebug(lcApp, "follow: profile %d for %s", decision.profile + 1, decision.app.c_str());
        target_.selectProfile(decision.profile, ProfileTarget::Cause::rule);
        setFollowedApp(QString::fromStdString(decision.app));
        break;
    case FollowEngine::Decision::Kind::askAgainAfterApply:
    case FollowEngine::Decision::Kind::nothing:
        break;
    }
}

void FocusFollower::setFollowedApp(const QString& app) {
    if (app == followedApp_) return;
    followedApp_ = app;
    Q_EMIT followedAppChanged();
}

QString FocusFollower::statusText() const {
    if (!followedApp_.isEmpty()) return text("follow_profile_for_text").arg(target_.activeProfile() + 1).arg(followedApp_);
    if (onWaylandSession() && !desktopReports_ && rules().follow) {
        return text("follow_wayland_note_text");
    }
    return {};
}

}  // namespace qx4::gui
