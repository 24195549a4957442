// Driver libraries without files: two sets of C entry points (one per link) whose answers a test
// sets, and which log every call in one shared, ordered list.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/device/driver_library.h"

namespace qx4::test {

struct FakeDriverState {
    std::string name;
    int vendorId = 0;
    int productId = 0;
    const qx4_message_sink* sink = nullptr;
    std::uint32_t dataMessage = 0;
    std::uint32_t arrivalMessage = 0;
    int openResult = 1;
    int setFeatureResult = 1;
    std::vector<std::vector<std::uint8_t>> reports;
};

// Shared by the entry points of both links; SetFeature runs on the apply worker.
struct FakeDriverLog {
    std::mutex mutex;
    std::vector<std::string> calls;
    FakeDriverState slots[2];

    static FakeDriverLog& instance() {
        static FakeDriverLog log;
        return log;
    }
    void reset() {
        std::lock_guard lock(mutex);
        calls.clear();
        slots[0] = {};
        slots[1] = {};
    }
    void record(int slot, std::string_view call) {
        calls.push_back(slots[slot].name + ":" + std::string(call));
    }
    std::vector<std::string> takeCalls() {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }
};

template <int Slot>
struct FakeDriver {
    static FakeDriverState& state() { return FakeDriverLog::instance().slots[Slot]; }
    static std::lock_guard<std::mutex> lock() { return std::lock_guard(FakeDriverLog::instance().mutex); }

    static void Set_VIDPID(int vendorId, int productId) {
        auto guard = lock();
        state().vendorId = vendorId;
        state().productId = productId;
        FakeDriverLog::instance().record(Slot, "Set_VIDPID");
    }
    static void Open_DevMonitor(const qx4_message_sink* sink, std::uint32_t data, std::uint32_t arrival) {
        auto guard = lock();
        state().sink = sink;
        state().dataMessage = data;
        state().arrivalMessage = arrival;
        FakeDriverLog::instance().record(Slot, "Open_DevMonitor");
    }
    static void Close_DevMonitor() {
        auto guard = lock();
        state().sink = nullptr;
        FakeDriverLog::instance().record(Slot, "Close_DevMonitor");
    }
    static int Open_FeatureDevice() {
        auto guard = lock();
        FakeDriverLog::instance().record(Slot, "Open_FeatureDevice");
        return state().openResult;
    }
    static void Close_FeatureDevice() {
        auto guard = lock();
        FakeDriverLog::instance().record(Slot, "Close_FeatureDevice");
    }
    static int SetFeature(const unsigned char* report, int length) {
        auto guard = lock();
        state().reports.emplace_back(report, report + length);
        FakeDriverLog::instance().record(Slot, "SetFeature");
        return state().setFeatureResult;
    }
    static int GetFeature(unsigned char*, int) { return 0; }

    static HidDriverLink link() {
        HidDriverLink link;
        link.Set_VIDPID = &Set_VIDPID;
        link.Open_DevMonitor = &Open_DevMonitor;
        link.Close_DevMonitor = &Close_DevMonitor;
        link.Open_FeatureDevice = &Open_FeatureDevice;
        link.Close_FeatureDevice = &Close_FeatureDevice;
        link.SetFeature = &SetFeature;
        link.GetFeature = &GetFeature;
        return link;
    }
};

// Hands out FakeDriver<0> for the first file name it is given a driver for and FakeDriver<1> for
// the second; a file name it does not know fails to load, as a missing file would.
class FakeBinder final : public DriverBinder {
public:
    void provide(std::string_view fileName, int slot, std::string linkName) {
        available_[std::string(fileName)] = slot;
        FakeDriverLog::instance().slots[slot].name = std::move(linkName);
    }
    // The library loads but lacks one entry point.
    void withoutEntry(std::string_view fileName) { crippled_.insert(std::string(fileName)); }

    bool bind(HidDriverLink& link, std::string_view fileName) override {
        link = {};
        const auto found = available_.find(std::string(fileName));
        if (found == available_.end()) return false;
        link = found->second == 0 ? FakeDriver<0>::link() : FakeDriver<1>::link();
        if (crippled_.count(std::string(fileName))) link.SetFeature = nullptr;
        bound.push_back(std::string(fileName));
        return true;
    }
    void release(HidDriverLink& link) override {
        link = {};
        ++releases;
    }

    std::vector<std::string> bound;
    int releases = 0;

private:
    std::map<std::string, int> available_;
    std::set<std::string> crippled_;
};

}  // namespace qx4::test
