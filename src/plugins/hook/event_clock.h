// Moments of input in milliseconds of this machine's CLOCK_MONOTONIC, from the times an X server
// gives its events (milliseconds of its own clock, wrapping at 32 bits). Stamping events as they
// are read would let a reader held up by a busy machine stretch one pause and shorten the next;
// the server's times keep the pauses as they were. The two clocks are tied by the smallest lag
// seen between an event's time and its reading, and a stamp never goes back.
#pragma once

#include <cstdint>

namespace qx4::gui {

class EventClock {
public:
    // The moment of an event with the server's time `serverTime`, read at `now`.
    std::uint64_t stamp(std::uint32_t serverTime, std::uint64_t now);
    // `moment`, or the last stamp when that is later.
    std::uint64_t notBefore(std::uint64_t moment);

private:
    bool started_ = false;
    std::uint32_t lastServerTime_ = 0;
    std::int64_t serverTime_ = 0;  // counted on past the wraps
    std::int64_t lag_ = 0;
    std::uint64_t last_ = 0;
};

}  // namespace qx4::gui
