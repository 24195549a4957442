// The emulated mouse: its five profiles as the firmware keeps them, the links, the battery and
// sleep. Reports are validated and decoded with the program's own description of the formats
// (core/device/report_formats.h); a malformed one is refused the way the mouse refuses it. No input
// or output happens here.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/device/notifications.h"
#include "core/device/report_formats.h"
#include "plugins/virtualmouse/vm_protocol.h"

namespace qx4::vm {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
};

// A profile's DPI settings; a new mouse has the program's defaults (see MouseModel).
struct DpiSettings {
    std::uint8_t paramA = 0, paramB = 0;
    std::uint8_t enableMask = 0;
    std::uint8_t doubleRangeMask = 0;
    std::array<std::uint8_t, dpi_report::kLevels> codes{};
    std::uint8_t currentLevel = 0;  // 1-8
    std::array<Rgb, dpi_report::kLevels> colors{};
};

struct LightSettings {
    std::uint8_t mode = 7, speed = 4, brightness = 8;
    Rgb color{255, 0, 0};
    std::uint8_t extra = 1;
};

struct ButtonTriple {
    std::uint8_t a = 0, b = 0, c = 0;
};

struct ProfileState {
    DpiSettings dpi;
    LightSettings light;
    std::uint8_t reportInterval = 1;  // milliseconds between reports
    std::array<ButtonTriple, button_report::kButtons> buttons{};
};

struct MacroState {
    std::uint8_t repeatMode = 0;
    std::array<std::uint8_t, 3> params{};
    std::uint8_t loopCount = 1;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs;
};

// What became of a report: taken, refused as malformed, or never heard because its link is down.
enum class Verdict { accepted, rejected, unreachable };
struct ReportOutcome {
    Verdict verdict;
    std::string text;  // what the report set, or why it was refused
};

class MouseModel {
public:
    static constexpr int kProfiles = kProfileCount;

    struct Start {
        bool receiver = true;
        bool cable = false;
        bool asleep = false;
        int battery = 8;
    };
    explicit MouseModel(Start start);
    MouseModel() : MouseModel(Start{}) {}

    ReportOutcome receiveReport(Link link, std::span<const std::uint8_t> report);

    int pressDpiButton();      // the new current level, 1-8
    int pressProfileButton();  // the new active profile, 1-5
    void setBattery(int level) { battery_ = level; }
    void setAsleep(bool asleep) { asleep_ = asleep; }
    void setPlugged(Link link, bool plugged);
    void setReportInterval(std::uint8_t interval) { activeState().reportInterval = interval; }
    void setLightMode(std::uint8_t mode) { activeState().light.mode = mode; }

    bool plugged(Link link) const { return link == Link::cable ? cable_ : receiver_; }
    bool asleep() const { return asleep_; }
    bool charging() const { return cable_; }
    int battery() const { return battery_; }
    int activeProfile() const { return activeProfile_; }  // 1-5
    const ProfileState& profile(int number) const { return profiles_.at(number - 1); }
    const std::map<int, MacroState>& macros() const { return macros_; }
    int accepted() const { return accepted_; }
    int rejected() const { return rejected_; }

    // The link notifications travel on: the receiver when it is plugged, else the cable.
    std::optional<Link> notificationLink() const;
    // The value of the sleep-status notification.
    std::uint16_t sleepStatus() const { return sleepStatusValue(asleep_, battery_); }

    // The whole state in words, one "name: value" line each.
    std::string describe() const;

private:
    ProfileState& activeState() { return profiles_[activeProfile_ - 1]; }
    std::string decode(std::span<const std::uint8_t> report);

    std::array<ProfileState, kProfiles> profiles_{};
    std::map<int, MacroState> macros_;
    int activeProfile_ = 1;
    bool receiver_ = true;
    bool cable_ = false;
    bool asleep_ = false;
    int battery_ = 8;
    int accepted_ = 0;
    int rejected_ = 0;
};

// The DPI a sensor code stands for (the highest table entry with that code), 0 for a code the
// table does not have.
int dpiForCode(std::uint8_t code, bool doubleRange);

}  // namespace qx4::vm
