// ProfileTarget on the window's device area (CWirelessPage).
#pragma once

#include "gui/follow/profile_target.h"

namespace qx4::gui {

class CWirelessPage;

class WirelessProfileTarget final : public ProfileTarget {
    Q_OBJECT
public:
    // `popupWindow` receives the popup's message for a select made by a rule.
    WirelessProfileTarget(CWirelessPage& page, QObject* popupWindow, QObject* parent);

    int activeProfile() const override;
    void selectProfile(int profile, Cause cause) override;
    bool applyRunning() const override;
    void requestApply() override;
    DeviceState deviceState() const override;

private:
    CWirelessPage& page_;
    QObject* popupWindow_;
    bool selectingByRule_ = false;
};

}  // namespace qx4::gui
