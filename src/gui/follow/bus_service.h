// The program on the user's session bus, for panels, scripts and the desktop's own components:
//   name and path   io.github.qx4config.Qx4Config1, /io/github/qx4config/Qx4Config1
//   interface       io.github.qx4config.Qx4Config1 (a later, different one gets a new number)
//   properties      Link, BatteryLevel (percent, 0 until the mouse tells), Charging, Asleep,
//                   ActiveProfile (1-5), DpiLevel (1-8), with org.freedesktop.DBus.Properties
//                   PropertiesChanged on every change
//   methods         SelectProfile(u profile), Apply(), ReportFocus(s appId)
// ReportFocus is how a Wayland desktop, whose windows the X11 watcher cannot see, tells which
// application is in front (packaging/kwin and packaging/gnome-shell). Nothing is offered on the
// system bus.
// SelectProfile and Apply are answered once the mouse has been handed the request; one that a
// later call replaces while an apply sends gets the error ...Error.Superseded instead, so any
// number of calls costs one apply at a time. Arguments are bounded as qx4ctl's requests are.
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

#include "gui/follow/mouse_requests.h"
#include "gui/follow/profile_target.h"

namespace qx4::gui {

class FocusFollower;

inline constexpr const char* kBusName = "io.github.qx4config.Qx4Config1";
inline constexpr const char* kBusPath = "/io/github/qx4config/Qx4Config1";

class BusService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.qx4config.Qx4Config1")
    Q_PROPERTY(bool Link READ link)
    Q_PROPERTY(int BatteryLevel READ batteryLevel)
    Q_PROPERTY(bool Charging READ charging)
    Q_PROPERTY(bool Asleep READ asleep)
    Q_PROPERTY(int ActiveProfile READ activeProfile)
    Q_PROPERTY(int DpiLevel READ dpiLevel)
public:
    // Registers on the session bus; nullptr (logged) when there is none or the name is taken.
    static BusService* offer(ProfileTarget& target, FocusFollower& follower, QObject* parent);

    bool link() const { return target_.deviceState().link; }
    int batteryLevel() const { return target_.deviceState().batteryPercent; }
    bool charging() const { return target_.deviceState().charging; }
    bool asleep() const { return target_.deviceState().asleep; }
    int activeProfile() const { return target_.deviceState().activeProfile; }
    int dpiLevel() const { return target_.deviceState().dpiLevel; }

public Q_SLOTS:
    void SelectProfile(uint profile);
    void Apply();
    void ReportFocus(const QString& appId);

private:
    BusService(ProfileTarget& target, FocusFollower& follower, QObject* parent);
    void announceChanges();

    // The pending call's reply, sent when the request is handed on or superseded.
    MouseRequests::Reply delayedReply();

    ProfileTarget& target_;
    FocusFollower& follower_;
    MouseRequests requests_;
    DeviceState shown_;  // as last announced
};

}  // namespace qx4::gui
