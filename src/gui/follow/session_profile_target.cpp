#include "gui/follow/session_profile_target.h"

#include "core/device/reports.h"
#include "gui/session/power_reading.h"
#include "gui/session/mouse_session.h"

namespace qx4::gui {

SessionProfileTarget::SessionProfileTarget(MouseSession& session, std::function<void(int profile)> showSwitch,
                                           QObject* parent)
    : ProfileTarget(parent), session_(session), showSwitch_(std::move(showSwitch)) {
    // A profile the mouse's own button chose is a choice by hand as well.
    connect(&session_, &MouseSession::activeProfileChanged, this, [this] {
        if (!selectingByRule_) Q_EMIT choseByHand();
        Q_EMIT stateChanged();
    });
    connect(&session_, &MouseSession::applyEnded, this, &ProfileTarget::applyEnded);
    connect(&session_, &MouseSession::powerStateChanged, this, &ProfileTarget::stateChanged);
    connect(&session_, &MouseSession::dpiLevelChanged, this, &ProfileTarget::stateChanged);
}

int SessionProfileTarget::activeProfile() const { return activeProfileIndex(session_.record()); }

void SessionProfileTarget::selectProfile(int profile, Cause cause) {
    selectingByRule_ = cause == Cause::rule;
    const bool selected = session_.selectProfile(profile);
    selectingByRule_ = false;
    if (selected && cause == Cause::rule && showSwitch_) showSwitch_(profile);
}

bool SessionProfileTarget::applyRunning() const { return session_.applying(); }

void SessionProfileTarget::requestApply() { session_.requestApply(false); }

DeviceState SessionProfileTarget::deviceState() const {
    const PowerReading power = powerReading(session_.presence());
    const DeviceConfig& record = session_.record();
    const int active = activeProfileIndex(record);
    const int dpiLevel = record.profiles[static_cast<std::size_t>(active)].dpiLevel;
    return {power.connected, power.level * 10, power.charging, power.asleep, active + 1, dpiLevel + 1};
}

}  // namespace qx4::gui
