#include "command_interpreter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace qx4::vm {

namespace {

constexpr char kHelp[] =
    "commands:\n"
    "  dpi                     press the DPI button\n"
    "  profile                 press the profile button\n"
    "  battery N               battery level 1-10\n"
    "  sleep | wake            the mouse falls asleep or wakes up\n"
    "  rate N                  the mouse reports its report interval N\n"
    "  light N                 the mouse reports its lighting mode N\n"
    "  notify CODE VALUE       send any notification (numbers decimal or 0x hex)\n"
    "  cable plug|unplug       plug or unplug the charging cable\n"
    "  receiver plug|unplug    plug or unplug the receiver\n"
    "  state                   print the state\n"
    "  wait reports N [MS]     answer once N reports arrived in all\n"
    "  wait listeners LINK N [MS]  answer once N monitors listen on a link\n"
    "  quit                    stop";

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> result;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;) {
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        result.push_back(word);
    }
    return result;
}

std::optional<long> number(const std::string& word, long low, long high) {
    std::string_view text = word;
    int base = 10;
    if (text.starts_with("0x")) {
        text.remove_prefix(2);
        base = 16;
    }
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

CommandResult error(std::string message) {
    return {"error: " + std::move(message), {}, std::nullopt, false};
}

// Sends a notification over the link the mouse talks on, and says where it went.
CommandResult notify(const MouseModel& mouse, std::string what, std::uint16_t code,
                     std::uint16_t value) {
    CommandResult result;
    const auto link = mouse.notificationLink();
    if (!link) {
        result.reply = "ok: " + what + ", not sent: no link is plugged";
        return result;
    }
    result.pushes.push_back({*link, FrameType::notification, code, value});
    result.reply = "ok: " + what + ", sent over the " + linkName(*link);
    return result;
}

CommandResult plug(MouseModel& mouse, Link link, const std::string& action) {
    const bool plugIn = action == "plug";
    if (!plugIn && action != "unplug") return error("say plug or unplug");
    const std::string name = linkName(link);
    if (mouse.plugged(link) == plugIn) {
        return {"ok: " + name + " already " + (plugIn ? "plugged" : "unplugged"), {}, {}, false};
    }
    mouse.setPlugged(link, plugIn);
    CommandResult result;
    result.pushes.push_back({link, FrameType::arrival, 0, static_cast<std::uint16_t>(plugIn)});
    // The receiver tells the program how the mouse is as soon as it hears it again.
    if (plugIn && link == Link::receiver) result.pushes.push_back(sleepStatusPush(mouse));
    result.reply = "ok: " + name + (plugIn ? " plugged" : " unplugged");
    return result;
}

CommandResult wait(const std::vector<std::string>& w) {
    WaitRequest request{WaitRequest::What::reports, std::nullopt, 0, kDefaultWaitMs};
    std::size_t next = 2;
    if (w.size() >= 3 && w[1] == "reports") {
        request.what = WaitRequest::What::reports;
    } else if (w.size() >= 4 && w[1] == "listeners") {
        request.what = WaitRequest::What::listeners;
        request.link = linkFromName(w[2]);
        if (!request.link) return error("no link " + w[2]);
        next = 3;
    } else {
        return error("wait reports N [MS] or wait listeners receiver|cable N [MS]");
    }
    const auto count = number(w[next], 0, 1'000'000);
    if (!count) return error("bad count " + w[next]);
    request.count = static_cast<int>(*count);
    if (w.size() > next + 1) {
        const auto timeout = number(w[next + 1], 0, 600'000);
        if (!timeout) return error("bad time " + w[next + 1]);
        request.timeoutMs = static_cast<int>(*timeout);
    }
    return {{}, {}, request, false};
}

}  // namespace

Push sleepStatusPush(const MouseModel& mouse) {
    return {Link::receiver, FrameType::notification, kNotifySleepStatus, mouse.sleepStatus()};
}

CommandResult runCommand(MouseModel& mouse, std::string_view line) {
    const auto w = words(line);
    if (w.empty()) return error("empty command");
    const std::string& verb = w[0];
    const auto argument = [&](long low, long high) -> std::optional<long> {
        return w.size() == 2 ? number(w[1], low, high) : std::nullopt;
    };
    if (verb == "dpi" && w.size() == 1) {
        const int level = mouse.pressDpiButton();
        return notify(mouse, "dpi level " + std::to_string(level), kNotifyDpiLevel,
                      static_cast<std::uint16_t>(level));
    }
    if (verb == "profile" && w.size() == 1) {
        const int profile = mouse.pressProfileButton();
        return notify(mouse, "profile " + std::to_string(profile), kNotifyProfile,
                      static_cast<std::uint16_t>(profile));
    }
    if (verb == "battery") {
        const auto level = argument(1, 10);
        if (!level) return error("battery takes a level 1-10");
        mouse.setBattery(static_cast<int>(*level));
        return notify(mouse, "battery " + w[1], kNotifyBattery, static_cast<std::uint16_t>(*level));
    }
    if ((verb == "sleep" || verb == "wake") && w.size() == 1) {
        mouse.setAsleep(verb == "sleep");
        return notify(mouse, verb == "sleep" ? "asleep" : "awake", kNotifySleepStatus, mouse.sleepStatus());
    }
    if (verb == "rate" || verb == "light") {
        // Any 16-bit value goes out, so that the program's own range checks can be tried.
        const auto value = argument(0, 0xFFFF);
        if (!value) return error(verb + " takes a number 0-65535");
        const auto byte = static_cast<std::uint8_t>(*value);
        if (verb == "rate" && *value >= 1 && *value <= 8) mouse.setReportInterval(byte);
        if (verb == "light" && *value <= 0xFF) mouse.setLightMode(byte);
        return notify(mouse, verb + " " + w[1], verb == "rate" ? kNotifyReportRate : kNotifyLightMode,
                      static_cast<std::uint16_t>(*value));
    }
    if (verb == "notify" && w.size() == 3) {
        const auto code = number(w[1], 0, 0xFFFF);
        const auto value = number(w[2], 0, 0xFFFF);
        if (!code || !value) return error("notify takes CODE VALUE, each 0-65535");
        return notify(mouse, "notification " + w[1] + " " + w[2], static_cast<std::uint16_t>(*code),
                      static_cast<std::uint16_t>(*value));
    }
    if ((verb == "cable" || verb == "receiver") && w.size() == 2) {
        return plug(mouse, verb == "cable" ? Link::cable : Link::receiver, w[1]);
    }
    if (verb == "state" && w.size() == 1) return {mouse.describe(), {}, std::nullopt, false};
    if (verb == "wait") return wait(w);
    if (verb == "help" && w.size() == 1) return {kHelp, {}, std::nullopt, false};
    if (verb == "quit" && w.size() == 1) return {"ok: quitting", {}, std::nullopt, true};
    return error("unknown command \"" + std::string(line) + "\" (try help)");
}

}  // namespace qx4::vm
