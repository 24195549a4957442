#include "core/commands/status_text.h"

#include <array>
#include <cstdio>

#include "core/commands/json_writer.h"

namespace qx4::commands {
namespace {

std::string linkStateText(const PresenceState& presence, Link link) {
    const int state = presence.state(link).load();
    if (link == Link::cable) return state == kLinkPresent ? "plugged in" : state == kLinkRemoved ? "unplugged" : "not plugged in";
    return state == kLinkPresent ? "present" : state == kLinkRemoved ? "removed" : "not found";
}

}  // namespace

std::string statusText(const PresenceState& presence, bool json, const std::string& closedMouse) {
    const bool linked = presence.present(Link::cable) || presence.present(Link::receiver);
    const bool asleep = presence.mouseAsleep.load() == 1;
    const int battery = presence.batteryLevel.load();
    if (json) {
        JsonWriter writer;
        writer.beginObject();
        writer.key("receiver").value(linkStateText(presence, Link::receiver));
        writer.key("cable").value(linkStateText(presence, Link::cable));
        writer.key("mouse");
        if (linked) writer.value(asleep ? "asleep" : "awake");
        else writer.null();
        writer.key("battery_percent");
        if (linked && battery > 0) writer.value(battery * 10);
        else writer.null();
        return writer.endObject().finish();
    }
    std::string text = "Receiver: " + linkStateText(presence, Link::receiver) + "\nCable: " +
                       linkStateText(presence, Link::cable) + "\n";
    if (!linked) return text + (closedMouse.empty() ? "No mouse found on the receiver or the cable.\n" : closedMouse);
    text += std::string("Mouse: ") + (asleep ? "asleep" : "awake") + "\n";
    return text + (battery > 0 ? "Battery: " + std::to_string(battery * 10) + "%\n" : "Battery: not reported yet\n");
}

ApplyReport applyReport(const SendResult& result, double seconds, bool simulate) {
    switch (result.kind) {
    case SendResult::Kind::noMouse:
        return {1, {},
                simulate ? "no mouse found on the receiver or the cable: start qx4-virtual-mouse, or plug in its "
                           "receiver or cable ('receiver plug', 'cable plug')"
                         : "no mouse found on the receiver or the cable: plug in the receiver or connect the mouse's "
                           "cable (and check that you may use it: see the udev rule in packaging/)"};
    case SendResult::Kind::asleep:
        return {1, {},
                "the mouse is asleep: move it or press one of its buttons to wake it, or plug in its cable, then try "
                "again"};
    case SendResult::Kind::unavailable:
        return {1, {}, "qx4-config ended before the mouse had it all"};
    case SendResult::Kind::sent:
        break;
    }
    const int total = result.sent + result.failed;
    std::array<char, 96> line{};
    std::snprintf(line.data(), line.size(), "Sent %d of %d reports in %.2f s.\n", result.sent, total, seconds);
    if (result.failed == 0) return {0, line.data(), {}};
    return {1, line.data(),
            "the mouse did not take " + std::to_string(result.failed) + " of " + std::to_string(total) +
                " reports: check that it is awake and in reach of the receiver, then run 'qx4ctl apply' again"};
}

}  // namespace qx4::commands
