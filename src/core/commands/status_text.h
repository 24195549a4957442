// What qx4ctl status and apply print, from qx4ctl's own look at the links or from the running program's.
//
// --json: {"receiver": "present"|"removed"|"not found",
//          "cable": "plugged in"|"unplugged"|"not plugged in",
//          "mouse": "awake"|"asleep"|null (no link), "battery_percent": 10-100|null (not reported)}
#pragma once

#include <string>

#include "core/commands/send_result.h"
#include "core/device/link_state.h"

namespace qx4::commands {

// `closedMouse` replaces the line that says no mouse was found when a mouse on USB is closed to
// this user (accessProblemText); the JSON shape stays the same.
std::string statusText(const PresenceState& presence, bool json, const std::string& closedMouse);

// The outcome of qx4ctl apply, the same whoever sent: "Sent 25 of 25 reports in 2.51 s." on
// standard output, or one line on standard error and exit code 1. `simulate` points a missing
// mouse at qx4-virtual-mouse.
struct ApplyReport {
    int exitCode = 0;
    std::string out;
    std::string error;
};
ApplyReport applyReport(const SendResult& result, double seconds, bool simulate);

}  // namespace qx4::commands
