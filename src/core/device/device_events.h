// What the device link asks of the user interface. The wireless page implements it; qx4ctl and
// the tests have their own. Every call is made on the thread that drives the DeviceLink.
#pragma once

#include <cstdint>

#include "core/device/link_state.h"

namespace qx4 {

class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;

    virtual void showSleepLabel(bool shown) = 0;
    // Charging starts when the cable link is present and ends when it goes. restartAnimation is
    // true when it starts by an arrival (the sweep begins again at 0), false at start-up.
    virtual void showCharging(bool on, bool restartAnimation) = 0;
    virtual void showBattery(int level) = 0;  // 1-10
    virtual void highlightDpiLevel(int level) = 0;  // 0-7
    // Selects the profile button without its selection event, so no apply is requested.
    virtual void selectProfileButton(int profile) = 0;  // 0-4
    virtual void refreshPages() = 0;
    // The record changed on the mouse's word; write it to the data file.
    virtual void saveRecord() = 0;
    virtual void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // The link settles for 1000 ms after an arrival before it is opened. The host runs a one-shot
    // timer and calls DeviceLink::completeArrival(link) when it fires; starting an already running
    // timer restarts it. Cancelling a timer that is not running does nothing.
    virtual void startArrivalTimer(Link link) = 0;
    virtual void cancelArrivalTimer(Link link) = 0;
};

inline constexpr int kArrivalSettleMilliseconds = 1000;

}  // namespace qx4
