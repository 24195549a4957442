// The C entry points every driver plug-in exports, over a backend that answers or throws.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#define QX4_DRIVER_IMPLEMENTATION
#include "core/abi/qx4_driver.h"
#include "plugins/driver_exports/driver_backend.h"

namespace qx4 {
namespace {

class ScriptedBackend final : public DriverBackend {
public:
    bool throwing = false;
    std::vector<std::string> calls;

    void setIds(int, int) override { call("setIds"); }
    void openMonitor(const qx4_message_sink&, std::uint32_t, std::uint32_t) override { call("openMonitor"); }
    void closeMonitor() override { call("closeMonitor"); }
    bool openFeature() override {
        call("openFeature");
        return true;
    }
    void closeFeature() override { call("closeFeature"); }
    bool setFeature(const unsigned char*, int length) override {
        call("setFeature");
        return length == 4;
    }
    int getFeature(unsigned char*, int length) override {
        call("getFeature");
        return length;
    }

private:
    void call(const char* name) {
        calls.emplace_back(name);
        if (throwing) throw std::runtime_error(name);
    }
};

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

}  // namespace
}  // namespace qx4
