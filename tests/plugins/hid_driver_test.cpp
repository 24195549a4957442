// The hidapi driver against fake hidapi and udev seams, and how it reads the mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "plugins/hiddriver/device_reading.h"
#include "plugins/hiddriver/hid_driver.h"
#include "tests/support/plugin_harness.h"

namespace qx4::hid {
namespace {

using test::Posted;
using Bytes = std::vector<std::uint8_t>;

// What hidapi would do. The driver calls it under its lock; the test reads it between calls.
struct FakeChannel final : FeatureChannel {
    bool open(int vendorId, int productId) override {
        openedIds = {vendorId, productId};
        return opened = devicePresent;
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
    int sendFeatureReport(const unsigned char* data, std::size_t length) override {
        sent.emplace_back(data, data + length);
        return sendResult;
    }
    int getFeatureReport(unsigned char*, std::size_t) override { return -1; }

    bool devicePresent = true;
    bool opened = false;
    int sendResult = 4;
    std::pair<int, int> openedIds;
    std::vector<Bytes> sent;
};

// Events the test feeds; next() blocks like the udev source until there is one.
class FakeEvents final : public DeviceEventSource {
public:
    void feed(DeviceEvent event) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(event));
        changed_.notify_all();
    }
    DeviceEvent next() override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !queue_.empty(); });
        DeviceEvent event = std::move(queue_.front());
        queue_.pop_front();
        return event;
    }
    void stop() override { feed({DeviceEvent::Kind::stopped, {}}); }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<DeviceEvent> queue_;
};

struct Rig {
    FakeChannel* hid = new FakeChannel;  // owned by the driver
    FakeEvents* events = nullptr;         // owned by the driver while its monitor runs
    std::pair<int, int> monitoredIds;
    HidDriver driver{std::unique_ptr<FakeChannel>(hid), [this](int vendorId, int productId) {
                         auto made = std::make_unique<FakeEvents>();
                         events = made.get();
                         monitoredIds = {vendorId, productId};
                         return made;
                     }};
};

TEST(HidDriver, WritesReportsByteForByteToTheDeviceWithItsIdsOnlyWhileOpen) {
    Rig rig;
    rig.driver.setIds(0x1D57, 0xFA65);
    const unsigned char report[] = {0x0C, 4, 1, 5};
    EXPECT_FALSE(rig.driver.setFeature(report, 4));
    ASSERT_TRUE(rig.driver.openFeature());
    EXPECT_EQ(rig.hid->openedIds, std::make_pair(0x1D57, 0xFA65));
    EXPECT_TRUE(rig.driver.setFeature(report, 4));
    EXPECT_FALSE(rig.driver.setFeature(nullptr, 4));
    EXPECT_EQ(rig.hid->sent, (std::vector<Bytes>{{0x0C, 4, 1, 5}}));  // byte 0 is the report id

    for (int failure : {-1, 0, 3}) {  // hidapi's failure (e.g. the device went away), short writes
        rig.hid->sendResult = failure;
        EXPECT_FALSE(rig.driver.setFeature(report, 4)) << failure;
    }
    rig.driver.closeFeature();
    rig.hid->sendResult = 4;
    EXPECT_FALSE(rig.driver.setFeature(report, 4));
    rig.hid->devicePresent = false;
    EXPECT_FALSE(rig.driver.openFeature());
}

TEST(HidDriver, MonitorPostsArrivalRemovalAndStatusFromItsOwnThreadWhileAWorkerWrites) {
    Rig rig;
    test::RecordingSink recorder;
    rig.driver.setIds(0x1D57, 0xFA66);
    rig.driver.openMonitor(*recorder.sink(), 1329, 1330);
    ASSERT_NE(rig.events, nullptr);
    EXPECT_EQ(rig.monitoredIds, std::make_pair(0x1D57, 0xFA66));

    rig.events->feed({DeviceEvent::Kind::arrived, {}});
    rig.events->feed({DeviceEvent::Kind::input, {0x07, 0x40, 0x00, 0x07, 0x01}});
    rig.events->feed({DeviceEvent::Kind::input, {0x07, 0x01, 0x02, 0x03}});  // not a status
    rig.events->feed({DeviceEvent::Kind::removed, {}});
    EXPECT_EQ(recorder.next(), (Posted{1330, 1, 0}));
    EXPECT_EQ(recorder.next(), (Posted{1329, 0x4000, 0x0701}));
    EXPECT_EQ(recorder.next(), (Posted{1330, 0, 0}));
    rig.driver.closeMonitor();  // returns once the thread ended
    EXPECT_FALSE(recorder.next(20));

    // No device monitor on this system: the link works without one.
    HidDriver bare(std::make_unique<FakeChannel>(), [](int, int) { return nullptr; });
    bare.openMonitor(*recorder.sink(), 1329, 1330);
    bare.closeMonitor();
    EXPECT_TRUE(bare.openFeature());

    // A worker writes while the UI thread opens and closes the link.
    const unsigned char report[] = {0x06, 9, 1, 1, 0, 0, 0, 0, 0};
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) rig.driver.setFeature(report, 9);
    });
    for (int i = 0; i < 200; ++i) {
        rig.driver.openFeature();
        rig.driver.openMonitor(*recorder.sink(), 1329, 1330);
        rig.driver.closeFeature();
        rig.driver.closeMonitor();
    }
    stop = true;
    worker.join();
    for (const auto& sent : rig.hid->sent) EXPECT_EQ(sent.size(), 9u);
}

TEST(HidDeviceReading, TheConfigurationInterfaceIsTheFirstVendorDefinedOne) {
    const std::vector<InterfaceInfo> interfaces{{"/dev/hidraw3", 0x0001}, {"/dev/hidraw4", 0xFF02}};
    EXPECT_EQ(preferredInterface(interfaces), 1u);
    EXPECT_EQ(preferredInterface(std::span{interfaces}.first(1)), 0u);
    EXPECT_FALSE(preferredInterface({}));

    // A long item and a four-byte item before Usage Page (Vendor 0xFF01) are stepped over.
    EXPECT_EQ(firstUsagePage(Bytes{0xFE, 0x01, 0x00, 0x00, 0x17, 1, 2, 3, 4, 0x06, 0x01, 0xFF}), 0xFF01);
    EXPECT_EQ(firstUsagePage(Bytes{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}), 0x0001);
    for (const Bytes& none : {Bytes{0xA1, 0x01, 0x05, 0x01}, Bytes{0x06, 0x00}, Bytes{0xFE, 0x10}}) {
        EXPECT_FALSE(firstUsagePage(none)) << none.size();
    }
}

}  // namespace
}  // namespace qx4::hid
