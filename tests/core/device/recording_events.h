// A DeviceEvents that writes each effect as one line, so a test states the expected effects of a
// sequence as a list.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/device/device_events.h"

namespace qx4::test {

class RecordingEvents final : public DeviceEvents {
public:
    void showSleepLabel(bool shown) override { add(shown ? "sleep label shown" : "sleep label hidden"); }
    void showCharging(bool on, bool restartAnimation) override {
        add(!on ? "charging off" : restartAnimation ? "charging on, animation restarted" : "charging on");
    }
    void showBattery(int level) override { add("battery " + std::to_string(level)); }
    void highlightDpiLevel(int level) override { add("highlight dpi level " + std::to_string(level)); }
    void selectProfileButton(int profile) override { add("select profile button " + std::to_string(profile)); }
    void refreshPages() override { add("refresh pages"); }
    void saveRecord() override { add("save"); }
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        add("post " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
    }
    void startArrivalTimer(Link link) override { add("start timer " + name(link)); }
    void cancelArrivalTimer(Link link) override { add("cancel timer " + name(link)); }

    std::vector<std::string> take() { return std::exchange(effects_, {}); }

private:
    static std::string name(Link link) { return std::string(linkParameters(link).name); }
    void add(std::string effect) { effects_.push_back(std::move(effect)); }
    std::vector<std::string> effects_;
};

}  // namespace qx4::test
