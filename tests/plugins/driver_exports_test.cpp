// The C entry points every driver plug-in exports, over a backend that answers or throws.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"
#include "plugins/driver_exports/driver_backend.h"

namespace qx4 {
namespace {

class ScriptedBackend final : public DriverBackend {
public:
    bool throwing = false;
    bool exitingInCall = false;
    std::vector<std::string> calls;

    void setIds(int, int) override { call("setIds"); }
    void openMonitor(const qx4_message_sink&, std::uint32_t, std::uint32_t) override { call("openMonitor"); }
    void closeMonitor() override { call("closeMonitor"); }
    bool openFeature() override { return call("openFeature"), true; }
    void closeFeature() override { call("closeFeature"); }
    bool setFeature(const unsigned char*, int length) override { return call("setFeature"), length == 4; }
    int getFeature(unsigned char*, int length) override { return call("getFeature"), length; }

    ~ScriptedBackend() override { ended = true; }

private:
    static inline std::atomic<bool> ended{false};
    void call(const char* name) {
        if (ended) std::_Exit(3);  // reached after its end
        calls.emplace_back(name);
        if (exitingInCall) std::exit(0);
        if (throwing) throw std::runtime_error(name);
    }
};

// Destroyed after the backend, it holds exit() up there for a while, as a leak check at exit does.
struct SlowExit {
    ~SlowExit() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }
} slowExit;
ScriptedBackend backend;

}  // namespace

DriverBackend& driverBackend() { return backend; }

namespace {

TEST(DriverExports, PassResultsThroughAndTurnEveryExceptionIntoAFailure) {
    const unsigned char report[4] = {0x0C, 4, 1, 5};
    unsigned char buffer[8] = {};
    const qx4_message_sink sink{};
    for (bool throwing : {false, true}) {
        SCOPED_TRACE(throwing ? "throwing" : "answering");
        backend.throwing = throwing;
        backend.calls.clear();
        Set_VIDPID(0x1D57, 0xFA66);
        Open_DevMonitor(&sink, 1329, 1330);
        Open_DevMonitor(nullptr, 1329, 1330);  // without a sink there is nothing to post through
        EXPECT_EQ(Open_FeatureDevice(), throwing ? 0 : 1);
        EXPECT_EQ(SetFeature(report, 4), throwing ? 0 : 1);
        EXPECT_EQ(GetFeature(buffer, 8), throwing ? 0 : 8);
        Close_FeatureDevice();
        Close_DevMonitor();
        EXPECT_EQ(backend.calls, (std::vector<std::string>{"setIds", "openMonitor", "openFeature", "setFeature",
                                                           "getFeature", "closeFeature", "closeMonitor"}));
    }
}

// exit() on one thread ends the backend while another thread goes on calling: a call in progress
// ends first, and the calls after the end fail without reaching the backend.
TEST(DriverExportsDeathTest, CallsDuringExitNeverReachTheEndedBackend) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::thread([] {
                const unsigned char report[4] = {0x0C, 4, 1, 5};
                while (true) {
                    SetFeature(report, 4);
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
            }).detach();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

// A library under the backend that calls exit() in the middle of a call ends the process: the
// end of the backend waits for the other threads' calls, not for the one that is exiting.
TEST(DriverExportsDeathTest, ExitInsideACallEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static constexpr unsigned char kReport[4] = {0x0C, 4, 1, 5};
    backend.exitingInCall = true;
    EXPECT_EXIT(SetFeature(kReport, 4), testing::ExitedWithCode(0), "");
    backend.exitingInCall = false;
}

}  // namespace
}  // namespace qx4
