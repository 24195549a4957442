// The two links to the mouse, their fixed parameters and the presence state the UI thread keeps
// and the apply worker reads. The virtual mouse and its driver library use the same table.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/abi/window_messages.h"

namespace qx4 {

enum class Link : std::uint8_t { receiver, cable };
inline constexpr std::array<Link, 2> kLinks{Link::receiver, Link::cable};

struct LinkParameters {
    Link link;
    std::string_view name;  // a literal, so name.data() is a C string
    std::string_view libraryFile;         // the real HID driver
    std::string_view virtualLibraryFile;  // the driver that talks to qx4-virtual-mouse
    int vendorId;
    int productId;
    std::uint32_t dataMessage;
    std::uint32_t arrivalMessage;
    std::chrono::milliseconds pauseAfterWrite;  // paces the mouse's firmware
};

inline constexpr std::array<LinkParameters, 2> kLinkParameters{{
    {Link::receiver, "receiver", "hiddriver_1.so", "virtualmouse_1.so", 0x1D57, 0xFA66,
     UM_RECEIVER_DATA, UM_RECEIVER_ARRIVAL, std::chrono::milliseconds{400}},
    {Link::cable, "cable", "hiddriver_2.so", "virtualmouse_2.so", 0x1D57, 0xFA65, UM_CABLE_DATA,
     UM_CABLE_ARRIVAL, std::chrono::milliseconds{100}},
}};

constexpr const LinkParameters& linkParameters(Link link) {
    return kLinkParameters[static_cast<std::size_t>(link)];
}

constexpr const char* linkName(Link link) { return linkParameters(link).name.data(); }

constexpr std::optional<Link> linkFromName(std::string_view name) {
    for (const auto& p : kLinkParameters) {
        if (p.name == name) return p.link;
    }
    return std::nullopt;
}

// The link a driver library serves, from the ids the program gives it.
constexpr std::optional<Link> linkForIds(int vendorId, int productId) {
    for (const auto& p : kLinkParameters) {
        if (p.vendorId == vendorId && p.productId == productId) return p.link;
    }
    return std::nullopt;
}

constexpr std::optional<Link> linkForDataMessage(std::uint32_t message) {
    for (const auto& p : kLinkParameters) {
        if (p.dataMessage == message) return p.link;
    }
    return std::nullopt;
}

constexpr std::optional<Link> linkForArrivalMessage(std::uint32_t message) {
    for (const auto& p : kLinkParameters) {
        if (p.arrivalMessage == message) return p.link;
    }
    return std::nullopt;
}

// Values of receiverState and cableState.
inline constexpr int kLinkNotSeen = 0;
inline constexpr int kLinkPresent = 1;
inline constexpr int kLinkRemoved = 2;

// Written on the UI thread only; the apply worker reads it while an apply runs, hence atomics.
struct PresenceState {
    std::atomic<int> receiverState{kLinkNotSeen};
    std::atomic<int> cableState{kLinkNotSeen};
    std::atomic<int> anyLinkPresent{0};
    std::atomic<int> mouseAsleep{1};
    std::atomic<int> batteryLevel{0};  // 1-10 tenths of a full charge, 0 until the mouse tells

    std::atomic<int>& state(Link link) { return link == Link::cable ? cableState : receiverState; }
    const std::atomic<int>& state(Link link) const {
        return link == Link::cable ? cableState : receiverState;
    }
    bool present(Link link) const { return state(link).load() == kLinkPresent; }
};

}  // namespace qx4
