// The command language of the virtual mouse, shared by its standard input and its control
// clients: one command a line, one reply each. See docs/virtual-mouse.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mouse_model.h"

namespace qx4::vm {

// Something to push to the monitors of one link: a notification (code, value) or an arrival
// (value 1 plugged, 0 unplugged).
struct Push {
    Link link;
    FrameType type;
    std::uint16_t code = 0;
    std::uint16_t value = 0;
};

// A reply the server gives later: when enough reports arrived, or enough monitors listen on a
// link, or when the time is up.
struct WaitRequest {
    enum class What { reports, listeners } what;
    std::optional<Link> link;
    int count = 0;
    int timeoutMs = 0;
};

struct CommandResult {
    std::string reply;
    std::vector<Push> pushes;
    std::optional<WaitRequest> wait;
    bool quit = false;
};

inline constexpr int kDefaultWaitMs = 10000;

CommandResult runCommand(MouseModel& mouse, std::string_view line);

// The notification 0x4000 the mouse sends when the receiver starts hearing it.
Push sleepStatusPush(const MouseModel& mouse);

}  // namespace qx4::vm
