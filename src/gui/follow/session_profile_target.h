// ProfileTarget on the mouse session.
#pragma once

#include <functional>

#include "gui/follow/profile_target.h"

namespace qx4::gui {

class MouseSession;

class SessionProfileTarget final : public ProfileTarget {
    Q_OBJECT
public:
    // `showSwitch` shows a select made by a rule as the popup shows a switch on the mouse.
    SessionProfileTarget(MouseSession& session, std::function<void(int profile)> showSwitch, QObject* parent);

    int activeProfile() const override;
    void selectProfile(int profile, Cause cause) override;
    bool applyRunning() const override;
    void requestApply() override;
    DeviceState deviceState() const override;

private:
    MouseSession& session_;
    std::function<void(int profile)> showSwitch_;
    bool selectingByRule_ = false;
};

}  // namespace qx4::gui
