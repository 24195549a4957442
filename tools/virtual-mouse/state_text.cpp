// The state in words: one "name: value" line each, so that people read it and tests pick lines.
#include <cstdio>
#include <sstream>

#include "mouse_model.h"

namespace qx4::vm {

namespace {

std::string hexColor(const Rgb& color) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02x%02x%02x", color.red, color.green, color.blue);
    return text;
}

std::string levelList(std::uint8_t mask) {
    std::string list;
    for (int level = 0; level < kDpiLevelCount; ++level) {
        if (mask & (1u << level)) list += (list.empty() ? "" : " ") + std::to_string(level + 1);
    }
    return list.empty() ? "none" : list;
}

std::string describePair(std::uint8_t first, std::uint8_t second) {
    using namespace macro_report;
    // The marker of an extra delay pair is no key code.
    if (second == kExtraDelayMarker) return "wait " + std::to_string(first * kExtraDelayUnitMs) + " ms";
    const bool release = (first & kReleaseBit) != 0;
    char code[4];
    std::snprintf(code, sizeof(code), "%02x", second);
    return std::string(release ? "release " : "press ") + code + " after " +
           std::to_string((first & ~kReleaseBit) * kDelayUnitMs) + " ms";
}

void describeProfile(std::ostringstream& out, int number, const ProfileState& profile) {
    const std::string name = "profile " + std::to_string(number);
    const DpiSettings& dpi = profile.dpi;
    out << name << " dpi levels:";
    for (std::size_t i = 0; i < dpi.codes.size(); ++i) {
        out << ' ' << dpiForCode(dpi.codes[i], (dpi.doubleRangeMask >> i) & 1u);
    }
    out << '\n' << name << " dpi codes:";
    for (auto code : dpi.codes) out << ' ' << int{code};
    out << '\n' << name << " dpi enabled: " << levelList(dpi.enableMask) << '\n';
    out << name << " dpi double range: " << levelList(dpi.doubleRangeMask) << '\n';
    out << name << " dpi current: " << int{dpi.currentLevel} << '\n';
    out << name << " dpi colors:";
    for (const auto& color : dpi.colors) out << ' ' << hexColor(color);
    out << '\n' << name << " dpi params: " << int{dpi.paramA} << ' ' << int{dpi.paramB} << '\n';
    const LightSettings& light = profile.light;
    out << name << " lighting: mode " << int{light.mode} << " speed " << int{light.speed}
        << " brightness " << int{light.brightness} << " color " << hexColor(light.color)
        << " extra " << int{light.extra} << '\n';
    out << name << " report interval: " << int{profile.reportInterval} << " ms\n";
    out << name << " buttons:";
    for (const auto& button : profile.buttons) {
        out << ' ' << int{button.a} << ',' << int{button.b} << ',' << int{button.c};
    }
    out << '\n';
}

}  // namespace

std::string MouseModel::describe() const {
    std::ostringstream out;
    out << "receiver: " << (receiver_ ? "plugged" : "unplugged") << '\n';
    out << "cable: " << (cable_ ? "plugged" : "unplugged") << '\n';
    out << "charging: " << (charging() ? "yes" : "no") << '\n';
    out << "mouse: " << (asleep_ ? "asleep" : "awake") << '\n';
    out << "battery: " << battery_ << '\n';
    out << "active profile: " << activeProfile_ << '\n';
    out << "reports accepted: " << accepted_ << '\n';
    out << "reports rejected: " << rejected_ << '\n';
    for (int number = 1; number <= kProfiles; ++number) {
        describeProfile(out, number, profiles_[number - 1]);
    }
    for (const auto& [slot, macro] : macros_) {
        out << "macro " << slot << ": mode " << int{macro.repeatMode} << " params "
            << int{macro.params[0]} << ' ' << int{macro.params[1]} << ' ' << int{macro.params[2]}
            << " loop " << int{macro.loopCount} << " pairs " << macro.pairs.size();
        for (const auto& [first, second] : macro.pairs) out << ", " << describePair(first, second);
        out << '\n';
    }
    out << "end";
    return out.str();
}

}  // namespace qx4::vm
