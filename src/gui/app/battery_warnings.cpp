#include "gui/app/battery_warnings.h"

namespace qx4::gui {

bool showsLowBatteryMark(const PowerReading& reading) {
    return reading.connected && reading.level >= 1 && reading.level <= BatteryWarnings::kLowLevel;
}

std::optional<int> BatteryWarnings::update(const PowerReading& reading) {
    if (!reading.connected || reading.level < 1) return std::nullopt;
    if (reading.level > kLowLevel + kRearmMargin) lowGiven_ = false;
    if (reading.level > kCriticalLevel + kRearmMargin) criticalGiven_ = false;
    if (reading.asleep || reading.charging) return std::nullopt;
    if (reading.level <= kCriticalLevel && !criticalGiven_) {
        criticalGiven_ = lowGiven_ = true;
        return kCriticalLevel * 10;
    }
    if (reading.level <= kLowLevel && !lowGiven_) {
        lowGiven_ = true;
        return kLowLevel * 10;
    }
    return std::nullopt;
}

}  // namespace qx4::gui
