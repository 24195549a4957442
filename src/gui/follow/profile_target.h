// What following the focus and the D-Bus service need of the device: the active profile, a way to
// select one, whether an apply runs, and what the mouse last told. One class implements it against
// the mouse session (session_profile_target.*), so nothing else here depends on it.
#pragma once

#include <QObject>

namespace qx4::gui {

struct DeviceState {
    bool link = false;
    int batteryPercent = 0;  // 0 until the mouse tells
    bool charging = false;
    bool asleep = true;
    int activeProfile = 1;   // 1-5
    int dpiLevel = 1;        // 1-8, of the active profile

    bool operator==(const DeviceState&) const = default;
};

class ProfileTarget : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    enum class Cause { rule, hand };

    virtual int activeProfile() const = 0;  // 0-based
    // Selects the profile as its button does, which sends it with an apply. A select by a rule is
    // shown in the popup as a switch on the mouse is; one by hand is a choice like any other.
    virtual void selectProfile(int profile, Cause cause) = 0;
    virtual bool applyRunning() const = 0;
    virtual void requestApply() = 0;
    virtual DeviceState deviceState() const = 0;

Q_SIGNALS:
    // The user chose a profile: in the window, the tray, on the mouse, or through qx4ctl.
    void choseByHand();
    void applyEnded();
    // Something of deviceState() may have changed.
    void stateChanged();
};

}  // namespace qx4::gui
