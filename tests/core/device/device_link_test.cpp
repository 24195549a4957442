#include "core/device/device_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/config/config_file.h"
#include "device_fakes.h"

namespace qx4 {
namespace {

using test::FakeDrivers;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

class DeviceLinkTest : public ::testing::Test {
protected:
    DeviceLinkTest() {
        FakeDrivers::instance().reset("receiver", "cable");
        binder.files = {{"hiddriver_1.so", 0}, {"hiddriver_2.so", 1}};
        applyDefaults(record);
    }
    FakeDrivers::Library& driver(Link which) { return FakeDrivers::instance().libraries[which == Link::cable]; }

    // Starts with the given links found, then forgets what start-up did.
    void startWith(bool receiver, bool cable) {
        driver(Link::receiver).openResult = receiver;
        driver(Link::cable).openResult = cable;
        link.start(sink);
        events.take();
        FakeDrivers::instance().takeCalls();
    }
    std::array<int, 4> states() const {
        const PresenceState& p = link.presence();
        return {p.receiverState, p.cableState, p.anyLinkPresent, p.mouseAsleep};
    }

    DeviceConfig record{};
    test::RecordingEvents events;
    test::FakeBinder binder;
    std::vector<std::chrono::milliseconds> pauses;
    int posted = 0;
    qx4_message_sink sink{&posted, [](void* count, std::uint32_t, std::uintptr_t, std::intptr_t) { ++*static_cast<int*>(count); }};
    DeviceLink link{record, events, binder, [this](std::chrono::milliseconds pause, std::stop_token) { pauses.push_back(pause); }};
};

TEST_F(DeviceLinkTest, StartUpOpensTheCableFirstWithEachLinksIdentifiersAndMessages) {
    link.start(sink);
    EXPECT_THAT(binder.bound, ElementsAre("hiddriver_2.so", "hiddriver_1.so"));
    EXPECT_THAT(FakeDrivers::instance().takeCalls(),
                ElementsAre("cable:Set_VIDPID", "cable:Open_DevMonitor", "cable:Open_FeatureDevice", "receiver:Set_VIDPID",
                            "receiver:Open_DevMonitor", "receiver:Open_FeatureDevice"));
    EXPECT_EQ(driver(Link::cable).productId, 0xFA65);
    EXPECT_EQ(driver(Link::receiver).productId, 0xFA66);
    EXPECT_EQ(driver(Link::cable).dataMessage, 1331u);
    EXPECT_EQ(driver(Link::cable).arrivalMessage, 1332u);
    EXPECT_EQ(driver(Link::receiver).dataMessage, 1329u);
    EXPECT_EQ(driver(Link::receiver).arrivalMessage, 1330u);
    EXPECT_THAT(events.take(), ElementsAre("charging on", "post 1128 0 0"));
    // The sink handed to the libraries stays valid for as long as the link lives.
    driver(Link::receiver).sink->post(driver(Link::receiver).sink->context, 1329, 0, 0);
    EXPECT_EQ(posted, 1);
}

TEST_F(DeviceLinkTest, StartUpStateFollowsWhichLinksOpen) {
    struct Case {
        bool receiver, cable;
        std::array<int, 4> states;  // receiver, cable, any link, asleep
        const char* effect;
    };
    for (const Case& c : {Case{true, false, {1, 0, 1, 1}, "sleep label shown"}, Case{false, true, {0, 1, 1, 0}, "charging on"},
                          Case{false, false, {0, 0, 0, 1}, "sleep label shown"}}) {
        FakeDrivers::instance().reset("receiver", "cable");
        test::RecordingEvents fresh;
        DeviceLink other(record, fresh, binder, [](auto, auto) {});
        driver(Link::receiver).openResult = c.receiver;
        driver(Link::cable).openResult = c.cable;
        other.start(sink);
        const PresenceState& p = other.presence();
        EXPECT_EQ((std::array<int, 4>{p.receiverState, p.cableState, p.anyLinkPresent, p.mouseAsleep}), c.states);
        EXPECT_THAT(fresh.take(), ElementsAre(c.effect, "post 1128 0 0"));
    }
    binder.files = {{"virtualmouse_1.so", 0}, {"virtualmouse_2.so", 1}};
    binder.bound.clear();
    DeviceLink simulated(record, events, binder, [](auto, auto) {});
    simulated.start(sink, DriverSet::virtualMouse);
    EXPECT_THAT(binder.bound, ElementsAre("virtualmouse_2.so", "virtualmouse_1.so"));
}

TEST_F(DeviceLinkTest, LinkWithoutItsLibraryOrAnEntryPointStaysAbsentAndIsNeverCalled) {
    for (bool wholeLibrary : {true, false}) {
        test::FakeBinder partial;
        partial.files = {{"hiddriver_1.so", 0}};
        if (!wholeLibrary) {
            partial.files["hiddriver_2.so"] = 1;
            partial.withoutSetFeature = "hiddriver_2.so";
        }
        FakeDrivers::instance().takeCalls();
        DeviceLink other(record, events, partial, [](auto, auto) {});
        other.start(sink);
        other.onArrivalMessage(Link::cable, 1);
        other.onArrivalMessage(Link::cable, 0);
        EXPECT_EQ(other.presence().cableState, kLinkNotSeen);
        EXPECT_EQ(other.writeReport(buildProfileSelectReport(record), {}).link, Link::receiver);
        other.closeLinks();
        for (const auto& call : FakeDrivers::instance().takeCalls()) EXPECT_NE(call.rfind("cable:", 0), 0u) << call;
    }
}

// Hot-plug sequences: each step is a message from a library or the arrival timer firing.
TEST_F(DeviceLinkTest, HotPlugSequences) {
    enum Step { receiverIn, receiverOut, cableIn, cableOut, receiverSettles, cableSettles };
    struct Case {
        const char* name;
        bool receiver, cable;
        std::vector<Step> steps;
        std::array<int, 4> states;  // receiver, cable, any link, asleep
        std::vector<std::string> effects;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"cable plugged in beside the receiver", true, false, {cableIn, cableSettles}, {1, 1, 1, 0},
         {"timer cable", "charging restarted"}, {"cable:Open_FeatureDevice"}},
        {"cable pulled beside the receiver", true, true, {cableOut}, {1, 2, 1, 1}, {"charging off"}, {"cable:Close_FeatureDevice"}},
        {"last link goes, twice", true, false, {receiverOut, receiverOut}, {2, 0, 0, 1}, {"post 1128 0 0"},
         {"receiver:Close_FeatureDevice"}},
        {"receiver comes back", true, false, {receiverOut, receiverIn, receiverIn, receiverSettles}, {1, 0, 1, 1},
         {"post 1128 0 0", "timer receiver", "post 1128 0 0"}, {"receiver:Close_FeatureDevice", "receiver:Open_FeatureDevice"}},
        {"arrival of a present link", true, true, {receiverIn, cableIn}, {1, 1, 1, 0}, {}, {}},
        {"removal while settling cancels", false, false, {cableIn, cableOut, cableSettles}, {0, 2, 0, 1},
         {"timer cable", "cancel cable", "charging off", "post 1128 0 0"}, {"cable:Close_FeatureDevice"}},
        {"timer without an arrival", true, false, {cableSettles}, {1, 0, 1, 1}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDrivers::instance().reset("receiver", "cable");
        test::RecordingEvents fresh;
        DeviceLink other(record, fresh, binder, [](auto, auto) {});
        driver(Link::receiver).openResult = c.receiver;
        driver(Link::cable).openResult = c.cable;
        other.start(sink);
        fresh.take();
        FakeDrivers::instance().takeCalls();
        for (Step step : c.steps) {
            switch (step) {
            case receiverIn: other.dispatchMessage(UM_RECEIVER_ARRIVAL, 1, 0); break;
            case receiverOut: other.dispatchMessage(UM_RECEIVER_ARRIVAL, 0, 0); break;
            case cableIn: other.dispatchMessage(UM_CABLE_DATA, 0x7F00, 1); break;  // as a data message
            case cableOut: other.dispatchMessage(UM_CABLE_ARRIVAL, 0, 0); break;
            case receiverSettles: other.completeArrival(Link::receiver); break;
            case cableSettles: other.completeArrival(Link::cable); break;
            }
        }
        const PresenceState& p = other.presence();
        EXPECT_EQ((std::array<int, 4>{p.receiverState, p.cableState, p.anyLinkPresent, p.mouseAsleep}), c.states);
        EXPECT_EQ(fresh.take(), c.effects);
        EXPECT_EQ(FakeDrivers::instance().takeCalls(), c.calls);
    }
}

TEST_F(DeviceLinkTest, PresenceValuesOtherThanArrivalAndRemovalAreIgnored) {
    startWith(false, false);
    EXPECT_TRUE(link.dispatchMessage(UM_CABLE_ARRIVAL, 7, 0));
    EXPECT_TRUE(link.dispatchMessage(UM_RECEIVER_DATA, 0x7F00, 3));
    EXPECT_FALSE(link.dispatchMessage(UM_APPLY_REQUEST, 1, 0));
    EXPECT_THAT(events.take(), IsEmpty());
}

TEST_F(DeviceLinkTest, DpiAndProfileSwitchesOnTheMouseChangeTheActiveProfile) {
    startWith(true, false);
    record.activeProfile = 1;
    record.profiles[1].dpiValuesX[4] = 72;

    link.dispatchMessage(UM_RECEIVER_DATA, 0x1000, 0x30005);  // (wParam << 16) XOR the low half of lParam
    EXPECT_EQ(record.profiles[1].dpiLevel, 4);
    EXPECT_EQ(record.profiles[0].dpiLevel, 2);
    EXPECT_THAT(events.take(), ElementsAre("dpi level 4", "save", "post 1129 0 72"));

    link.dispatchMessage(UM_CABLE_DATA, 0x8000, 3);
    EXPECT_EQ(record.activeProfile, 2);
    EXPECT_THAT(events.take(), ElementsAre("profile button 2", "refresh", "save", "post 1130 0 2"));

    const DeviceConfig before = record;
    for (auto [code, value] : {std::pair{0x1000u, 0u}, {0x1000u, 9u}, {0x8000u, 0u}, {0x8000u, 6u}, {0x7000u, 8u},
                               {0x2000u, 0u}, {0x2000u, 9u}, {0x3000u, 1u}, {0x9000u, 1u}})
        EXPECT_FALSE(link.handleNotification(code, value)) << std::hex << code << " " << value;
    link.dispatchMessage(UM_RECEIVER_DATA, 0x1000, -1);  // value 0xFFFF
    link.onDataMessage(Link::receiver, 0xA0000001u);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
    EXPECT_THAT(events.take(), IsEmpty());
}

TEST_F(DeviceLinkTest, ReportRateSleepBatteryAndLightingNotifications) {
    startWith(true, false);
    const int expectedIndex[] = {3, 2, 1, 1, 0, 0, 0, 0};
    for (std::uint32_t interval = 1; interval <= 8; ++interval) {
        EXPECT_TRUE(link.handleNotification(kNotifyReportRate, interval));
        EXPECT_EQ(record.profiles[0].pollingRateIndex, expectedIndex[interval - 1]) << interval;
    }
    // Our own report-rate codes come back as the index they were sent from.
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(pollingRateIndexForNotifiedInterval(pollingIntervalCode(index)), index);
    EXPECT_THAT(events.take(), ::testing::Each("save"));

    link.handleNotification(kNotifySleepStatus, 0x0701);
    EXPECT_EQ(states()[3], 0);
    link.handleNotification(kNotifySleepStatus, 0x0B00);  // asleep, even with a battery byte out of range
    EXPECT_EQ(states()[3], 1);
    link.handleNotification(kNotifyBattery, 3);  // kept, not shown
    link.handleNotification(kNotifyBattery, 11);
    EXPECT_EQ(link.presence().batteryLevel, 3);
    link.handleNotification(kNotifySleepStatus, 0x0A00);
    EXPECT_THAT(events.take(), ElementsAre("sleep label hidden", "battery 7", "sleep label shown", "sleep label shown", "battery 10"));

    EXPECT_TRUE(link.handleNotification(kNotifyLightMode, 0));
    EXPECT_EQ(record.profiles[0].lightMode, 0);
    EXPECT_THAT(events.take(), ElementsAre("save"));
}

TEST_F(DeviceLinkTest, ReportsGoOverTheCableWhilePresentAndPauseOnlyAfterSuccess) {
    startWith(true, true);
    const FeatureReport report = buildProfileSelectReport(record);
    EXPECT_EQ(link.writeReport(report, {}).link, Link::cable);
    EXPECT_THAT(driver(Link::cable).reports, ElementsAre(ElementsAre(0x0C, 0x04, 0x01, 0x05)));
    link.onArrivalMessage(Link::cable, 0);
    EXPECT_EQ(link.writeReport(report, {}).link, Link::receiver);
    driver(Link::receiver).setFeatureResult = 0;
    EXPECT_FALSE(link.writeReport(report, {}).written);
    EXPECT_EQ(driver(Link::receiver).reports.size(), 2u);
    EXPECT_THAT(pauses, ElementsAre(100ms, 400ms));
}

TEST_F(DeviceLinkTest, ShutdownClosesReceiverThenCableThenReleasesBothOnce) {
    startWith(true, true);
    link.onArrivalMessage(Link::receiver, 0);
    link.onArrivalMessage(Link::receiver, 1);
    FakeDrivers::instance().takeCalls();
    events.take();

    link.closeLinks();
    EXPECT_THAT(FakeDrivers::instance().takeCalls(), ElementsAre("receiver:Close_FeatureDevice", "receiver:Close_DevMonitor",
                                                                 "cable:Close_FeatureDevice", "cable:Close_DevMonitor"));
    EXPECT_THAT(events.take(), ElementsAre("cancel receiver"));
    link.completeArrival(Link::receiver);
    EXPECT_EQ(states(), (std::array<int, 4>{2, 2, 0, 0}));

    link.releaseLibraries();
    link.closeLinks();
    link.releaseLibraries();
    EXPECT_EQ(binder.releases, 2);
    EXPECT_EQ(link.library(Link::cable).SetFeature, nullptr);
    EXPECT_THAT(FakeDrivers::instance().takeCalls(), IsEmpty());
}

}  // namespace
}  // namespace qx4
