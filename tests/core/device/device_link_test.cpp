#include "core/device/device_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/config/config_file.h"
#include "fake_driver.h"
#include "recording_events.h"

namespace qx4 {
namespace {

using test::FakeBinder;
using test::FakeDriverLog;
using test::FakeDriverState;
using test::RecordingEvents;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

constexpr int kReceiver = 0;
constexpr int kCable = 1;

struct PostedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class DeviceLinkTest : public ::testing::Test {
protected:
    DeviceLinkTest() {
        FakeDriverLog::instance().reset();
        binder.provide("hiddriver_1.so", kReceiver, "receiver");
        binder.provide("hiddriver_2.so", kCable, "cable");
        applyDefaults(record);
    }

    FakeDriverState& driver(int slot) { return FakeDriverLog::instance().slots[slot]; }

    // Starts with the given links answering Open_FeatureDevice, then forgets the start-up effects.
    void startWith(bool receiverThere, bool cableThere) {
        driver(kReceiver).openResult = receiverThere ? 1 : 0;
        driver(kCable).openResult = cableThere ? 1 : 0;
        link.start(sink);
        events.take();
        FakeDriverLog::instance().takeCalls();
    }

    int state(Link which) const { return link.presence().state(which).load(); }

    DeviceConfig record{};
    RecordingEvents events;
    FakeBinder binder;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<PostedMessage> posted;
    qx4_message_sink sink{&posted, [](void* context, std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
                              static_cast<std::vector<PostedMessage>*>(context)->push_back({message, w, l});
                          }};
    DeviceLink link{record, events, binder,
                    [this](std::chrono::milliseconds pause, std::stop_token) { pauses.push_back(pause); }};
};

TEST_F(DeviceLinkTest, StartUpOpensTheCableFirstWithEachLinksIdentifiersAndMessages) {
    link.start(sink);

    EXPECT_THAT(binder.bound, ElementsAre("hiddriver_2.so", "hiddriver_1.so"));
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(),
                ElementsAre("cable:Set_VIDPID", "cable:Open_DevMonitor", "cable:Open_FeatureDevice",
                            "receiver:Set_VIDPID", "receiver:Open_DevMonitor", "receiver:Open_FeatureDevice"));
    EXPECT_EQ(driver(kCable).vendorId, 0x1D57);
    EXPECT_EQ(driver(kCable).productId, 0xFA65);
    EXPECT_EQ(driver(kCable).dataMessage, 1331u);
    EXPECT_EQ(driver(kCable).arrivalMessage, 1332u);
    EXPECT_EQ(driver(kReceiver).vendorId, 0x1D57);
    EXPECT_EQ(driver(kReceiver).productId, 0xFA66);
    EXPECT_EQ(driver(kReceiver).dataMessage, 1329u);
    EXPECT_EQ(driver(kReceiver).arrivalMessage, 1330u);
    EXPECT_THAT(events.take(), ElementsAre("charging on", "post 1128 0 0"));
    EXPECT_EQ(link.presence().anyLinkPresent, 1);
    EXPECT_EQ(link.presence().mouseAsleep, 0);

    // The sink the libraries keep must reach the owner for as long as the link lives.
    driver(kReceiver).sink->post(driver(kReceiver).sink->context, 1329, 0x1000, 2);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, 1329u);
}

TEST_F(DeviceLinkTest, StartUpStatesFollowWhichLinksOpen) {
    struct Case {
        bool receiver, cable;
        int receiverState, cableState, any, asleep;
        const char* effect;
    };
    for (const Case& c : {Case{true, false, 1, 0, 1, 1, "sleep label shown"},
                          Case{false, true, 0, 1, 1, 0, "charging on"},
                          Case{false, false, 0, 0, 0, 1, "sleep label shown"}}) {
        SCOPED_TRACE(testing::Message() << "receiver " << c.receiver << ", cable " << c.cable);
        FakeDriverLog::instance().reset();
        binder.provide("hiddriver_1.so", kReceiver, "receiver");
        binder.provide("hiddriver_2.so", kCable, "cable");
        driver(kReceiver).openResult = c.receiver;
        driver(kCable).openResult = c.cable;
        RecordingEvents fresh;
        DeviceLink other(record, fresh, binder, [](std::chrono::milliseconds, std::stop_token) {});
        other.start(sink);
        EXPECT_EQ(other.presence().receiverState, c.receiverState);
        EXPECT_EQ(other.presence().cableState, c.cableState);
        EXPECT_EQ(other.presence().anyLinkPresent, c.any);
        EXPECT_EQ(other.presence().mouseAsleep, c.asleep);
        EXPECT_THAT(fresh.take(), ElementsAre(c.effect, "post 1128 0 0"));
    }
}

TEST_F(DeviceLinkTest, VirtualMouseDriversAreBoundInsteadOfTheHardwareOnes) {
    binder.provide("virtualmouse_1.so", kReceiver, "receiver");
    binder.provide("virtualmouse_2.so", kCable, "cable");
    link.start(sink, DriverSet::virtualMouse);
    EXPECT_THAT(binder.bound, ElementsAre("virtualmouse_2.so", "virtualmouse_1.so"));
}

TEST_F(DeviceLinkTest, LinkWithoutItsLibraryOrAnEntryPointStaysAbsentAndIsNeverCalled) {
    for (bool wholeLibraryMissing : {true, false}) {
        SCOPED_TRACE(wholeLibraryMissing ? "no library" : "no SetFeature");
        FakeBinder partial;
        partial.provide("hiddriver_1.so", kReceiver, "receiver");
        if (!wholeLibraryMissing) {
            partial.provide("hiddriver_2.so", kCable, "cable");
            partial.withoutEntry("hiddriver_2.so");
        }
        driver(kCable).openResult = 1;
        FakeDriverLog::instance().takeCalls();
        RecordingEvents fresh;
        DeviceLink other(record, fresh, partial, [](std::chrono::milliseconds, std::stop_token) {});
        other.start(sink);
        other.onArrivalMessage(Link::cable, 1);
        other.onArrivalMessage(Link::cable, 0);
        EXPECT_EQ(other.presence().cableState, kLinkNotSeen);
        EXPECT_FALSE(other.arrivalPending(Link::cable));
        EXPECT_EQ(other.writeReport(buildProfileSelectReport(record), {}).link, Link::receiver);
        other.closeLinks();
        other.releaseLibraries();
        for (const auto& call : FakeDriverLog::instance().takeCalls())
            EXPECT_NE(call.rfind("cable:", 0), 0u) << call;
    }
}

TEST_F(DeviceLinkTest, CableComingAndGoingWhileTheReceiverStaysChangesSleepButNotConnection) {
    startWith(true, false);

    link.onArrivalMessage(Link::cable, 1);
    EXPECT_THAT(events.take(), ElementsAre("start timer cable"));
    EXPECT_EQ(state(Link::cable), kLinkNotSeen);  // nothing changes before the link has settled
    EXPECT_EQ(link.presence().mouseAsleep, 1);

    link.completeArrival(Link::cable);
    EXPECT_EQ(state(Link::cable), kLinkPresent);
    EXPECT_EQ(link.presence().mouseAsleep, 0);
    EXPECT_THAT(events.take(), ElementsAre("charging on, animation restarted"));
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(), ElementsAre("cable:Open_FeatureDevice"));

    link.onArrivalMessage(Link::cable, 0);
    EXPECT_EQ(state(Link::cable), kLinkRemoved);
    EXPECT_EQ(link.presence().mouseAsleep, 1);
    EXPECT_EQ(link.presence().anyLinkPresent, 1);
    EXPECT_THAT(events.take(), ElementsAre("charging off"));
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(), ElementsAre("cable:Close_FeatureDevice"));
}

TEST_F(DeviceLinkTest, LastLinkGoingAndComingBackPostsTheConnectionEachTime) {
    startWith(true, false);

    link.onArrivalMessage(Link::receiver, 0);
    EXPECT_EQ(state(Link::receiver), kLinkRemoved);
    EXPECT_EQ(link.presence().anyLinkPresent, 0);
    EXPECT_THAT(events.take(), ElementsAre("post 1128 0 0"));

    link.onArrivalMessage(Link::receiver, 0);  // a second removal is ignored
    EXPECT_THAT(events.take(), IsEmpty());
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(), ElementsAre("receiver:Close_FeatureDevice"));

    link.onArrivalMessage(Link::receiver, 1);
    link.onArrivalMessage(Link::receiver, 1);  // already settling: one timer
    link.completeArrival(Link::receiver);
    EXPECT_EQ(state(Link::receiver), kLinkPresent);
    EXPECT_EQ(link.presence().anyLinkPresent, 1);
    EXPECT_EQ(link.presence().mouseAsleep, 1);  // the receiver alone does not wake the mouse
    EXPECT_THAT(events.take(), ElementsAre("start timer receiver", "post 1128 0 0"));

    link.onArrivalMessage(Link::receiver, 1);  // present already
    EXPECT_THAT(events.take(), IsEmpty());
}

TEST_F(DeviceLinkTest, RemovalWhileAnArrivalSettlesCancelsIt) {
    startWith(false, false);

    link.onArrivalMessage(Link::cable, 1);
    link.onArrivalMessage(Link::cable, 0);
    EXPECT_FALSE(link.arrivalPending(Link::cable));
    link.completeArrival(Link::cable);  // a timer that fired anyway changes nothing
    EXPECT_NE(state(Link::cable), kLinkPresent);
    EXPECT_EQ(link.presence().anyLinkPresent, 0);
    const auto effects = events.take();
    ASSERT_GE(effects.size(), 2u);
    EXPECT_EQ(effects[0], "start timer cable");
    EXPECT_EQ(effects[1], "cancel timer cable");
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(), ::testing::Not(::testing::Contains("cable:Open_FeatureDevice")));
}

TEST_F(DeviceLinkTest, PresenceCodesArriveAsArrivalOrDataMessages) {
    startWith(false, false);

    EXPECT_TRUE(link.dispatchMessage(UM_CABLE_ARRIVAL, 7, 0));  // neither arrival nor removal
    EXPECT_THAT(events.take(), IsEmpty());

    EXPECT_TRUE(link.dispatchMessage(UM_RECEIVER_DATA, 0x7F00, 1));
    EXPECT_TRUE(link.arrivalPending(Link::receiver));
    EXPECT_TRUE(link.dispatchMessage(UM_RECEIVER_DATA, 0x7F00, 3));  // unknown presence value
    EXPECT_TRUE(link.arrivalPending(Link::receiver));

    EXPECT_FALSE(link.dispatchMessage(UM_APPLY_REQUEST, 1, 0));
}

TEST_F(DeviceLinkTest, DpiAndProfileSwitchesOnTheMouseUpdateTheActiveProfile) {
    startWith(true, false);
    record.activeProfile = 1;
    record.profiles[1].dpiValuesX[4] = 72;

    // The status word is (wParam << 16) XOR the low half of lParam.
    link.dispatchMessage(UM_RECEIVER_DATA, 0x1000, 0x30005);
    EXPECT_EQ(record.profiles[1].dpiLevel, 4);
    EXPECT_EQ(record.profiles[0].dpiLevel, 2);
    EXPECT_THAT(events.take(), ElementsAre("highlight dpi level 4", "save", "post 1129 0 72"));

    link.dispatchMessage(UM_CABLE_DATA, 0x8000, 3);
    EXPECT_EQ(record.activeProfile, 2);
    EXPECT_THAT(events.take(),
                ElementsAre("select profile button 2", "refresh pages", "save", "post 1130 0 2"));

    const DeviceConfig before = record;
    for (auto [code, value] : {std::pair{0x1000u, 0u}, {0x1000u, 9u}, {0x8000u, 0u}, {0x8000u, 6u},
                               {0x7000u, 8u}, {0x2000u, 0u}, {0x2000u, 9u}, {0x3000u, 1u}, {0x9000u, 1u}}) {
        EXPECT_FALSE(link.handleNotification(code, value)) << std::hex << code << " " << value;
    }
    link.onDataMessage(Link::receiver, 0xA0000001u);  // outside the notification codes
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
    EXPECT_THAT(events.take(), IsEmpty());
}

TEST_F(DeviceLinkTest, NotifiedReportIntervalMapsToAStoredRateIndex) {
    startWith(true, false);
    const int expected[] = {3, 2, 1, 1, 0, 0, 0, 0};
    for (int interval = 1; interval <= 8; ++interval) {
        EXPECT_TRUE(link.handleNotification(kNotifyReportRate, static_cast<std::uint32_t>(interval)));
        EXPECT_EQ(record.profiles[0].pollingRateIndex, expected[interval - 1]) << interval;
        // Our own report-rate report names the interval the mouse then reports back.
        if (interval == 1 || interval == 2 || interval == 4 || interval == 8) {
            EXPECT_EQ(pollingIntervalCode(record.profiles[0].pollingRateIndex), interval);
        }
    }
    EXPECT_THAT(events.take(), ::testing::Each("save"));
}

TEST_F(DeviceLinkTest, SleepBatteryAndLightingNotifications) {
    startWith(true, false);

    link.handleNotification(kNotifySleepStatus, 0x0701);
    EXPECT_EQ(link.presence().mouseAsleep, 0);
    EXPECT_EQ(link.presence().batteryLevel, 7);
    EXPECT_THAT(events.take(), ElementsAre("sleep label hidden", "battery 7"));

    // Asleep is applied even when the battery byte is out of range.
    link.handleNotification(kNotifySleepStatus, 0x0B00);
    EXPECT_EQ(link.presence().mouseAsleep, 1);
    EXPECT_EQ(link.presence().batteryLevel, 7);
    EXPECT_THAT(events.take(), ElementsAre("sleep label shown"));

    link.handleNotification(kNotifySleepStatus, 0x0A00);
    EXPECT_THAT(events.take(), ElementsAre("sleep label shown", "battery 10"));

    link.handleNotification(kNotifyBattery, 3);
    EXPECT_EQ(link.presence().batteryLevel, 3);
    link.handleNotification(kNotifyBattery, 11);
    link.handleNotification(kNotifyBattery, 0);
    EXPECT_EQ(link.presence().batteryLevel, 3);
    EXPECT_THAT(events.take(), IsEmpty());  // the level is kept, not shown

    EXPECT_TRUE(link.handleNotification(kNotifyLightMode, 0));
    EXPECT_EQ(record.profiles[0].lightMode, 0);
    EXPECT_THAT(events.take(), ElementsAre("save"));  // the lighting page is not refreshed
}

TEST_F(DeviceLinkTest, ReportsGoOverTheCableWhilePresentAndPauseOnlyAfterSuccess) {
    startWith(true, true);
    const FeatureReport report = buildProfileSelectReport(record);

    WriteResult result = link.writeReport(report, {});
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.link, Link::cable);
    ASSERT_EQ(driver(kCable).reports.size(), 1u);
    EXPECT_THAT(driver(kCable).reports[0], ElementsAre(0x0C, 0x04, 0x01, 0x05));

    link.onArrivalMessage(Link::cable, 0);
    result = link.writeReport(report, {});
    EXPECT_EQ(result.link, Link::receiver);
    EXPECT_EQ(driver(kReceiver).reports.size(), 1u);

    driver(kReceiver).setFeatureResult = 0;
    EXPECT_FALSE(link.writeReport(report, {}).written);
    EXPECT_THAT(pauses, ElementsAre(100ms, 400ms));
}

TEST_F(DeviceLinkTest, ShutdownClosesReceiverThenCableThenReleasesBoth) {
    startWith(true, true);
    link.onArrivalMessage(Link::receiver, 0);
    link.onArrivalMessage(Link::receiver, 1);
    FakeDriverLog::instance().takeCalls();
    events.take();

    link.closeLinks();
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(),
                ElementsAre("receiver:Close_FeatureDevice", "receiver:Close_DevMonitor",
                            "cable:Close_FeatureDevice", "cable:Close_DevMonitor"));
    EXPECT_THAT(events.take(), ElementsAre("cancel timer receiver"));
    EXPECT_EQ(link.presence().anyLinkPresent, 0);
    EXPECT_FALSE(link.presence().present(Link::cable));
    link.completeArrival(Link::receiver);
    EXPECT_FALSE(link.presence().present(Link::receiver));

    link.releaseLibraries();
    EXPECT_EQ(binder.releases, 2);
    EXPECT_EQ(link.library(Link::cable).SetFeature, nullptr);
    link.closeLinks();  // and the destructor: nothing is closed twice
    link.releaseLibraries();
    EXPECT_THAT(FakeDriverLog::instance().takeCalls(), IsEmpty());
    EXPECT_EQ(binder.releases, 2);
}

}  // namespace
}  // namespace qx4
