// The real HID driver's logic against fake hidapi and udev seams, and the assumptions it reads the
// mouse with.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "plugins/hiddriver/device_reading.h"
#include "plugins/hiddriver/hid_driver.h"

namespace qx4::hid {
namespace {

constexpr int kWaitMs = 5000;

class FakeChannel final : public FeatureChannel {
public:
    struct Shared {
        std::mutex mutex;
        bool devicePresent = true;
        int sendResult = 4;
        std::vector<std::pair<int, int>> opens;
        std::vector<std::vector<unsigned char>> sent;
    };
    explicit FakeChannel(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    bool open(int vendorId, int productId) override {
        std::lock_guard lock(shared_->mutex);
        shared_->opens.emplace_back(vendorId, productId);
        open_ = shared_->devicePresent;
        return open_;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    int sendFeatureReport(const unsigned char* data, std::size_t length) override {
        std::lock_guard lock(shared_->mutex);
        shared_->sent.emplace_back(data, data + length);
        return shared_->sendResult;
    }
    int getFeatureReport(unsigned char* data, std::size_t length) override {
        std::fill_n(data, length, 0xAB);
        return static_cast<int>(length);
    }

private:
    std::shared_ptr<Shared> shared_;
    bool open_ = false;
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

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Posted&) const = default;
};

class Recorder {
public:
    qx4_message_sink sink{this, &Recorder::post};
    std::optional<Posted> next(int timeoutMs = kWaitMs) {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::milliseconds{timeoutMs}, [&] { return !queue_.empty(); })) {
            return std::nullopt;
        }
        Posted front = queue_.front();
        queue_.pop_front();
        return front;
    }

private:
    static void post(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        auto* self = static_cast<Recorder*>(context);
        std::lock_guard lock(self->mutex_);
        self->queue_.push_back({message, wParam, lParam});
        self->posted_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Posted> queue_;
};

struct Rig {
    std::shared_ptr<FakeChannel::Shared> channel = std::make_shared<FakeChannel::Shared>();
    FakeEvents* events = nullptr;  // owned by the driver while its monitor runs
    int sourcesMade = 0;
    std::pair<int, int> sourceIds;
    HidDriver driver{std::make_unique<FakeChannel>(channel), [this](int vendorId, int productId) {
                         auto made = std::make_unique<FakeEvents>();
                         events = made.get();
                         ++sourcesMade;
                         sourceIds = {vendorId, productId};
                         return made;
                     }};
};

TEST(HidDriver, WritesFeatureReportsUnchangedOnlyWhileOpen) {
    Rig rig;
    rig.driver.setIds(0x1D57, 0xFA65);
    const unsigned char report[] = {0x0C, 4, 1, 5};
    EXPECT_FALSE(rig.driver.setFeature(report, 4));  // not opened yet
    ASSERT_TRUE(rig.driver.openFeature());
    EXPECT_EQ(rig.channel->opens.back(), std::make_pair(0x1D57, 0xFA65));
    EXPECT_TRUE(rig.driver.setFeature(report, 4));
    ASSERT_EQ(rig.channel->sent.size(), 1u);
    EXPECT_EQ(rig.channel->sent[0], (std::vector<unsigned char>{0x0C, 4, 1, 5}));  // byte 0 is the id
    EXPECT_FALSE(rig.driver.setFeature(report, 0));
    EXPECT_FALSE(rig.driver.setFeature(nullptr, 4));
    EXPECT_EQ(rig.channel->sent.size(), 1u);

    rig.channel->sendResult = -1;  // hidapi's failure, e.g. the device went away
    EXPECT_FALSE(rig.driver.setFeature(report, 4));
    unsigned char buffer[3] = {};
    EXPECT_EQ(rig.driver.getFeature(buffer, 3), 3);
    EXPECT_EQ(buffer[2], 0xAB);

    rig.driver.closeFeature();
    EXPECT_FALSE(rig.driver.setFeature(report, 4));
    EXPECT_EQ(rig.driver.getFeature(buffer, 3), 0);
    rig.channel->devicePresent = false;
    EXPECT_FALSE(rig.driver.openFeature());
}

TEST(HidDriver, MonitorPostsArrivalsRemovalsAndStatusFromItsOwnThread) {
    Rig rig;
    Recorder recorder;
    rig.driver.setIds(0x1D57, 0xFA66);
    rig.driver.openMonitor(recorder.sink, 1329, 1330);
    ASSERT_NE(rig.events, nullptr);
    EXPECT_EQ(rig.sourceIds, std::make_pair(0x1D57, 0xFA66));

    rig.events->feed({DeviceEvent::Kind::arrived, {}});
    rig.events->feed({DeviceEvent::Kind::input, {0x07, 0x40, 0x00, 0x07, 0x01}});
    rig.events->feed({DeviceEvent::Kind::input, {0x07, 0x01, 0x02, 0x03}});  // not a status
    rig.events->feed({DeviceEvent::Kind::input, {0x07, 0x10, 0x00, 0x00, 0x04}});
    rig.events->feed({DeviceEvent::Kind::removed, {}});
    EXPECT_EQ(recorder.next(), (Posted{1330, 1, 0}));
    EXPECT_EQ(recorder.next(), (Posted{1329, 0x4000, 0x0701}));
    EXPECT_EQ(recorder.next(), (Posted{1329, 0x1000, 4}));
    EXPECT_EQ(recorder.next(), (Posted{1330, 0, 0}));

    rig.driver.closeMonitor();  // returns only once the thread ended
    rig.driver.closeMonitor();
    EXPECT_FALSE(recorder.next(20));
    // Opened again, with a fresh source.
    rig.driver.openMonitor(recorder.sink, 1331, 1332);
    rig.driver.openMonitor(recorder.sink, 1, 2);  // already open: ignored
    EXPECT_EQ(rig.sourcesMade, 2);
    rig.events->feed({DeviceEvent::Kind::arrived, {}});
    EXPECT_EQ(recorder.next(), (Posted{1332, 1, 0}));
}

TEST(HidDriver, WorksWithoutADeviceMonitor) {
    auto channel = std::make_shared<FakeChannel::Shared>();
    HidDriver driver(std::make_unique<FakeChannel>(channel), [](int, int) { return nullptr; });
    Recorder recorder;
    driver.openMonitor(recorder.sink, 1329, 1330);
    driver.closeMonitor();
    EXPECT_TRUE(driver.openFeature());
    const unsigned char report[] = {0x0C, 4, 1, 5};
    EXPECT_TRUE(driver.setFeature(report, 4));
}

TEST(HidDriver, WorkerWritesWhileTheUiThreadOpensAndClosesTheLink) {
    Rig rig;
    Recorder recorder;
    rig.driver.setIds(0x1D57, 0xFA66);
    const unsigned char report[] = {0x06, 9, 1, 1, 0, 0, 0, 0, 0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) rig.driver.setFeature(report, 9);
        done = true;
    });
    while (!done) {
        rig.driver.openFeature();
        rig.driver.openMonitor(recorder.sink, 1329, 1330);
        rig.driver.closeFeature();
        rig.driver.closeMonitor();
    }
    worker.join();
    for (const auto& sent : rig.channel->sent) EXPECT_EQ(sent.size(), 9u);
}

TEST(HidDeviceReading, StatusReportCarriesTheStatusWordBigEndianAfterTheReportId) {
    const auto sleep = decodeStatusReport(std::vector<std::uint8_t>{0x02, 0x40, 0x00, 0x07, 0x00});
    ASSERT_TRUE(sleep);
    EXPECT_EQ(sleep->code, 0x4000);
    EXPECT_EQ(sleep->value, 0x0700);
    const auto profile = decodeStatusReport(std::vector<std::uint8_t>{0x02, 0x80, 0x00, 0x00, 0x05, 0xEE});
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->code, 0x8000);
    EXPECT_EQ(profile->value, 5);
    EXPECT_TRUE(decodeStatusReport(std::vector<std::uint8_t>{0x02, 0x90, 0x00, 0x00, 0x00}));
    for (const auto& other : {std::vector<std::uint8_t>{0x02, 0x40, 0x00, 0x07},
                              std::vector<std::uint8_t>{0x02, 0x0F, 0xFF, 0x00, 0x01},
                              std::vector<std::uint8_t>{0x02, 0x90, 0x01, 0x00, 0x01},
                              std::vector<std::uint8_t>{}}) {
        EXPECT_FALSE(decodeStatusReport(other)) << other.size();
    }
}

TEST(HidDeviceReading, ConfigurationInterfaceIsTheVendorDefinedOne) {
    const std::vector<InterfaceInfo> three{{"/dev/hidraw3", 0x0001}, {"/dev/hidraw4", 0x000C},
                                           {"/dev/hidraw5", 0xFF02}};
    EXPECT_EQ(preferredInterface(three), 2u);
    const std::vector<InterfaceInfo> plain{{"/dev/hidraw3", 0x0001}, {"/dev/hidraw4", 0x000C}};
    EXPECT_EQ(preferredInterface(plain), 0u);
    EXPECT_FALSE(preferredInterface({}));

    // Usage Page (Vendor 0xFF00), Usage, Collection ...
    EXPECT_EQ(firstUsagePage(std::vector<std::uint8_t>{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01}), 0xFF00);
    // Usage Page (Generic Desktop) as a one-byte item.
    EXPECT_EQ(firstUsagePage(std::vector<std::uint8_t>{0x05, 0x01, 0x09, 0x02, 0xA1, 0x01}), 0x0001);
    // A long item and a four-byte item before the page are stepped over.
    EXPECT_EQ(firstUsagePage(std::vector<std::uint8_t>{0xFE, 0x01, 0x00, 0x00, 0x17, 1, 2, 3, 4, 0x06, 0x01, 0xFF}),
              0xFF01);
    EXPECT_FALSE(firstUsagePage(std::vector<std::uint8_t>{0xA1, 0x01, 0x05, 0x01}));  // collection first
    EXPECT_FALSE(firstUsagePage(std::vector<std::uint8_t>{0x06, 0x00}));  // cut short
    EXPECT_FALSE(firstUsagePage(std::vector<std::uint8_t>{0xFE, 0x10}));
    EXPECT_FALSE(firstUsagePage({}));
}

}  // namespace
}  // namespace qx4::hid
