// The links, sleep and battery as the window, the tray and the desktop's services show them.
#pragma once

#include "core/device/link_state.h"

namespace qx4::gui {

// 20 % and below is low: the window's battery bar turns red and the tray icon carries a mark.
inline constexpr int kLowBatteryLevel = 2;

struct PowerReading {
    bool connected = false;
    bool charging = false;  // the cable link is present
    bool asleep = true;
    int level = 0;          // 1-10; 0 until the mouse reports one

    bool operator==(const PowerReading&) const = default;
};

inline PowerReading powerReading(const PresenceState& presence) {
    return {presence.anyLinkPresent.load() == 1, presence.present(Link::cable), presence.mouseAsleep.load() == 1,
            presence.batteryLevel.load()};
}

}  // namespace qx4::gui
