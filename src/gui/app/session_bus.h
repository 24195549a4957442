// Qt waits on the session bus without limit at start (its accessibility bridge, the tray), so a
// bus that takes connections but never answers would hold the program before its window exists,
// deaf to SIGTERM and holding the single-instance lock. Before Qt starts, the bus must answer the
// first line of its handshake within a bound; one that does not is switched off for this process,
// and the program does without it: the tray through the X tray, notifications as tray balloons.
#pragma once

#include <chrono>
#include <string>

namespace qx4::gui {

inline constexpr std::chrono::milliseconds kSessionBusPatience{3000};

// False only when a bus socket of `address` (a D-Bus address list; unset: the default place,
// $XDG_RUNTIME_DIR/bus) takes the connection and says nothing within `patience`. A bus that is
// not there, refuses, or is reached another way than a Unix socket fails fast on its own.
bool sessionBusAnswers(const char* address, std::chrono::milliseconds patience);

// Points DBUS_SESSION_BUS_ADDRESS at nothing when the session bus does not answer; true then.
bool switchOffSilentSessionBus(std::chrono::milliseconds patience = kSessionBusPatience);

}  // namespace qx4::gui
