// What the device link tells whoever drives it: the mouse's own state as it changes. The wireless
// page shows it, qx4ctl waits on it. A listener overrides what it cares about; every call is made
// on the thread that drives the DeviceLink.
#pragma once

#include <cstdint>

#include "core/device/link_state.h"

namespace qx4 {

class DeviceObserver {
public:
    virtual ~DeviceObserver() = default;

    // Whether either link is present; told at start-up and whenever the last link goes or the
    // first one comes.
    virtual void connectionChanged(bool /*anyLinkPresent*/) {}
    // The mouse fell asleep or woke. Without the cable it counts as asleep from start-up until it
    // reports otherwise.
    virtual void sleepChanged(bool /*asleep*/) {}
    // Charging starts when the cable link is present and ends when it goes (the mouse then counts
    // as asleep). onArrival is true when the cable arrived while running, false at start-up.
    virtual void chargingChanged(bool /*charging*/, bool /*onArrival*/) {}
    // The mouse's sleep status carried a battery level 1-10: it has told how it is (qx4ctl status
    // waits for this).
    virtual void sleepStatusBattery(int /*level*/) {}
    // Every battery level 1-10 the mouse reports, through its sleep status or a plain battery
    // notification; told after sleepStatusBattery. Whatever shows the level follows this, so that
    // nothing shows a level the mouse has since replaced.
    virtual void batteryReported(int /*level*/) {}
    // The mouse switched the active profile to DPI level 0-7, whose value is dpiHundreds.
    virtual void dpiLevelChanged(int /*level*/, std::int32_t /*dpiHundreds*/) {}
    // The mouse switched to profile 0-4; the pages show the record's new active profile.
    virtual void profileChanged(int /*profile*/) {}
    // The mouse changed the live record (DPI level, report rate, lighting mode or profile); it is
    // to be written to the data file. Told after the change's own event.
    virtual void recordChangedByMouse() {}

    // The link settles for kArrivalSettleMilliseconds after an arrival before it is opened. The host
    // runs a one-shot timer and calls DeviceLink::completeArrival(link) when it fires; starting an
    // already running timer restarts it. Cancelling a timer that is not running does nothing.
    virtual void startArrivalTimer(Link link) = 0;
    virtual void cancelArrivalTimer(Link link) = 0;
};

inline constexpr int kArrivalSettleMilliseconds = 1000;

}  // namespace qx4
