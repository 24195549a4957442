// The links, sleep and battery as the window, the tray and the desktop's services show them.
#pragma once

#include "core/device/link_state.h"

namespace qx4::gui {

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
