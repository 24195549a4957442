// Driver libraries without files, and what the device link tells its observer written down as
// text, for the device-link tests.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/device/device_observer.h"
#include "core/device/driver_library.h"

namespace qx4::test {

// What both fake libraries saw, in one ordered list ("cable:Open_FeatureDevice"). SetFeature runs
// on the apply worker, hence the lock.
struct FakeDrivers {
    struct Library {
        std::string name;
        int productId = 0;
        const qx4_message_sink* sink = nullptr;
        std::uint32_t dataMessage = 0, arrivalMessage = 0;
        int openResult = 1, setFeatureResult = 1;
        int refusedCommand = -1;  // reports with this command byte fail whatever setFeatureResult says
        std::vector<std::vector<std::uint8_t>> reports;
    };
    std::mutex mutex;
    std::vector<std::string> calls;
    Library libraries[2];

    static FakeDrivers& instance() {
        static FakeDrivers drivers;
        return drivers;
    }
    void reset(std::string first, std::string second) {
        std::lock_guard lock(mutex);
        calls.clear();
        libraries[0] = libraries[1] = Library{};
        libraries[0].name = std::move(first);
        libraries[1].name = std::move(second);
    }
    std::vector<std::string> takeCalls() {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
};

template <int Index>
struct FakeDriver {
    // Called with the lock held.
    static FakeDrivers::Library& log(const char* call) {
        auto& drivers = FakeDrivers::instance();
        drivers.calls.push_back(drivers.libraries[Index].name + ":" + call);
        return drivers.libraries[Index];
    }
    static std::lock_guard<std::mutex> lock() { return std::lock_guard(FakeDrivers::instance().mutex); }

    static void setIds(int, int productId) { auto held = lock(); log("Set_VIDPID").productId = productId; }
    static void openMonitor(const qx4_message_sink* sink, std::uint32_t data, std::uint32_t arrival) {
        auto held = lock();
        auto& library = log("Open_DevMonitor");
        library.sink = sink;
        library.dataMessage = data;
        library.arrivalMessage = arrival;
    }
    static void closeMonitor() { auto held = lock(); log("Close_DevMonitor"); }
    static int open() { auto held = lock(); return log("Open_FeatureDevice").openResult; }
    static void close() { auto held = lock(); log("Close_FeatureDevice"); }
    static int write(const unsigned char* report, int length) {
        auto held = lock();
        auto& library = log("SetFeature");
        library.reports.emplace_back(report, report + length);
        return report[0] == library.refusedCommand ? 0 : library.setFeatureResult;
    }
    static HidDriverLink link() { return {nullptr, &setIds, &openMonitor, &closeMonitor, &open, &close, &write, nullptr}; }
};

// Binds FakeDriver<0> or <1> by file name; an unknown name fails as a missing file does.
class FakeBinder final : public DriverBinder {
public:
    std::map<std::string, int> files;
    std::string withoutSetFeature;
    std::vector<std::string> bound;
    int releases = 0;

    bool bind(HidDriverLink& link, std::string_view fileName) override {
        link = {};
        const auto found = files.find(std::string(fileName));
        if (found == files.end()) return false;
        link = found->second == 0 ? FakeDriver<0>::link() : FakeDriver<1>::link();
        if (fileName == withoutSetFeature) link.SetFeature = nullptr;
        bound.emplace_back(fileName);
        return true;
    }
    void release(HidDriverLink& link) override {
        link = {};
        ++releases;
    }
};

class RecordingObserver final : public DeviceObserver {
public:
    void connectionChanged(bool present) override { add(present ? "connected" : "disconnected"); }
    void sleepChanged(bool asleep) override { add(asleep ? "asleep" : "awake"); }
    void chargingChanged(bool on, bool onArrival) override { add(!on ? "charging off" : onArrival ? "charging on arrival" : "charging on"); }
    void sleepStatusBattery(int level) override { add("battery " + std::to_string(level)); }
    void batteryReported(int level) override { add("reported " + std::to_string(level)); }
    void dpiLevelChanged(int level, std::int32_t dpi) override { add("dpi level " + std::to_string(level) + " (" + std::to_string(dpi) + ")"); }
    void profileChanged(int profile) override { add("profile " + std::to_string(profile)); }
    void recordChangedByMouse() override { add("save"); }
    void startArrivalTimer(Link link) override { add("timer " + std::string(linkName(link))); }
    void cancelArrivalTimer(Link link) override { add("cancel " + std::string(linkName(link))); }

    std::vector<std::string> take() { return std::exchange(effects_, {}); }

private:
    void add(std::string effect) { effects_.push_back(std::move(effect)); }
    std::vector<std::string> effects_;
};

}  // namespace qx4::test
