// When to warn that the mouse's battery runs low. The mouse reports its level in tenths: level L
// stands for a charge above (L-1) x 10 % up to L x 10 %, and is shown as L x 10 %. So a charge
// falling from 21 % to 19 % arrives as level 3 followed by level 2.
//
// The 20 % warning comes with the first level of 2 or less, the 10 % warning with level 1 (which
// also counts as the 20 % one, so a jump from 30 % to 10 % warns once). Each is given once and
// again only after the level has risen above its threshold plus 10 % (level 4 for the 20 %
// warning, level 3 for the 10 % one), so a level that hovers at a threshold warns once. Nothing
// is said while the mouse sleeps or charges, nor before it has reported a level; a mouse that
// wakes below a threshold it was not warned about is warned then. The level comes only from the
// mouse's own reports.
#pragma once

#include <optional>

#include "gui/session/power_reading.h"

namespace qx4::gui {

// The tray icon's low-battery mark: shown at 20 % and below while a mouse is connected.
bool showsLowBatteryMark(const PowerReading& reading);

class BatteryWarnings {
public:
    static constexpr int kLowLevel = kLowBatteryLevel;  // 20 %
    static constexpr int kCriticalLevel = 1;  // 10 %
    static constexpr int kRearmMargin = 1;    // 10 % above a threshold before it warns again

    // The warning due for this reading, as the threshold in percent (20 or 10), if any.
    std::optional<int> update(const PowerReading& reading);

private:
    bool lowGiven_ = false;
    bool criticalGiven_ = false;
};

}  // namespace qx4::gui
