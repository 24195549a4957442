// The range rule. Values that select an entry or count entries are brought into range before
// anything uses them, whatever a damaged or foreign file holds:
//   - a count is clamped to its capacity: macroActionCount to 0..46;
//   - a selection outside its range is reset to the field's default: activeProfile (0..4) to 0,
//     dpiLevel (0..7) to 2, lightDirection (0..1) to 1, functionGroup (0..8) to 0,
//     macroIndex (-1 or a position of the macro store) to -1;
//   - a macroName without its terminating zero reads as its first 23 units.
// Values that only feed a report or a display (DPI values, colours, lightMode, loop count,
// repeat mode, ...) are kept as stored: the reports encode them mechanically. pollingRateIndex is
// one of them: the report-rate report has its own answer for an index outside 0..3 (500 Hz), and
// the mouse must get what any other reader of the same file would send.
#pragma once

#include <cstddef>

#include "core/config/device_config.h"

namespace qx4 {

// Each returns true when it changed something.
bool normalizeBinding(ButtonBinding& binding, std::size_t macroCount);
bool normalizeProfile(ProfileSettings& profile, std::size_t macroCount);
bool normalizeConfig(DeviceConfig& config, std::size_t macroCount);

}  // namespace qx4
