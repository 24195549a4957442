#include "core/device/device_link.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "core/config/config_file.h"
#include "tests/support/device_fakes.h"
#include "tests/support/sample_record.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;
using test::FakeDrivers;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

using States = std::array<int, 4>;  // receiver, cable, any link, asleep

class DeviceLinkTest : public ::testing::Test {
protected:
    DeviceLinkTest() { binder.files = {{"hiddriver_1.so", 0}, {"hiddriver_2.so", 1}}; }
    FakeDrivers::Library& driver(Link which) { return FakeDrivers::instance().libraries[which == Link::cable]; }

    // A new link whose libraries will open the given links.
    DeviceLink& makeLink(bool receiver, bool cable) {
        link.reset();
        FakeDrivers::instance().reset("receiver", "cable");
        driver(Link::receiver).openResult = receiver;
        driver(Link::cable).openResult = cable;
        observer.take();
        link = std::make_unique<DeviceLink>(record, observer, binder, [this](std::chrono::milliseconds pause, std::stop_token) {
            pauses.push_back(pause);
        });
        return *link;
    }
    // ... started, with the calls start-up made forgotten, and what it told the observer too unless asked.
    DeviceLink& startWith(bool receiver, bool cable, bool keepEffects = false) {
        makeLink(receiver, cable).start(sink);
        if (!keepEffects) observer.take();
        FakeDrivers::instance().takeCalls();
        return *link;
    }
    States states() const {
        const PresenceState& p = link->presence();
        return {p.receiverState, p.cableState, p.anyLinkPresent, p.mouseAsleep};
    }

    const std::unique_ptr<DeviceConfig> made = test::newRecord();
    DeviceConfig& record = *made;
    test::RecordingObserver observer;
    test::FakeBinder binder;
    std::vector<std::chrono::milliseconds> pauses;
    int posted = 0;
    qx4_message_sink sink{&posted, [](void* count, std::uint32_t, std::uintptr_t, std::intptr_t) { ++*static_cast<int*>(count); }};
    std::unique_ptr<DeviceLink> link;
};

TEST_F(DeviceLinkTest, StartUpOpensTheCableFirstAndALinkWithoutItsLibraryOrAnEntryPointStaysAbsent) {
    makeLink(true, true).start(sink);
    EXPECT_THAT(binder.bound, ElementsAre("hiddriver_2.so", "hiddriver_1.so"));
    EXPECT_THAT(FakeDrivers::instance().takeCalls(),
                ElementsAre("cable:Set_VIDPID", "cable:Open_DevMonitor", "cable:Open_FeatureDevice", "receiver:Set_VIDPID",
                            "receiver:Open_DevMonitor", "receiver:Open_FeatureDevice"));
    for (auto [which, productId, dataMessage] : {std::tuple{Link::cable, 0xFA65, 1331u}, {Link::receiver, 0xFA66, 1329u}}) {
        EXPECT_EQ(driver(which).productId, productId);
        EXPECT_EQ(driver(which).dataMessage, dataMessage);
        EXPECT_EQ(driver(which).arrivalMessage, dataMessage + 1);
    }
    EXPECT_THAT(observer.take(), ElementsAre("charging on", "connected"));
    // The sink handed to the libraries stays valid for as long as the link lives.
    driver(Link::receiver).sink->post(driver(Link::receiver).sink->context, 1329, 0, 0);
    EXPECT_EQ(posted, 1);
    link->start(sink);
    EXPECT_TRUE(FakeDrivers::instance().takeCalls().empty()) << "a second start opens nothing again";

    binder.files = {{"virtualmouse_1.so", 0}, {"virtualmouse_2.so", 1}};
    binder.bound.clear();
    makeLink(true, false).start(sink, DriverSet::virtualMouse);
    EXPECT_THAT(binder.bound, ElementsAre("virtualmouse_2.so", "virtualmouse_1.so"));

    // A link without its library or an entry point stays absent and is never called.
    for (bool wholeLibrary : {true, false}) {
        binder.files = {{"hiddriver_1.so", 0}};
        if (!wholeLibrary) {
            binder.files["hiddriver_2.so"] = 1;
            binder.withoutSetFeature = "hiddriver_2.so";
        }
        DeviceLink& partial = startWith(true, true);
        partial.onArrivalMessage(Link::cable, 1);
        partial.onArrivalMessage(Link::cable, 0);
        EXPECT_EQ(partial.presence().cableState, kLinkNotSeen);
        EXPECT_EQ(partial.writeReport(buildProfileSelectReport(record), {}).link, Link::receiver);
        partial.closeLinks();
        for (const auto& call : FakeDrivers::instance().takeCalls()) EXPECT_FALSE(call.starts_with("cable:")) << call;
    }
}

// Each step is a message from a library or the arrival timer firing; the effects include start-up's.
TEST_F(DeviceLinkTest, HotPlugSequences) {
    enum Step { receiverIn, receiverOut, cableIn, cableOut, receiverSettles, cableSettles, oddPresence };
    struct Case {
        const char* name;
        bool receiver, cable;
        std::vector<Step> steps;
        States states;
        std::vector<std::string> effects;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"receiver only", true, false, {}, {1, 0, 1, 1}, {"asleep", "connected"}, {}},
        {"cable only", false, true, {}, {0, 1, 1, 0}, {"charging on", "connected"}, {}},
        {"cable plugged in beside the receiver", true, false, {cableIn, cableSettles}, {1, 1, 1, 0},
         {"asleep", "connected", "timer cable", "charging on arrival"}, {"cable:Open_FeatureDevice"}},
        {"cable pulled beside the receiver", true, true, {cableOut}, {1, 2, 1, 1}, {"charging on", "connected", "charging off"},
         {"cable:Close_FeatureDevice"}},
        {"last link goes, twice", true, false, {receiverOut, receiverOut}, {2, 0, 0, 1},
         {"asleep", "connected", "disconnected"}, {"receiver:Close_FeatureDevice"}},
        {"receiver comes back", true, false, {receiverOut, receiverIn, receiverIn, receiverSettles}, {1, 0, 1, 1},
         {"asleep", "connected", "disconnected", "timer receiver", "connected"},
         {"receiver:Close_FeatureDevice", "receiver:Open_FeatureDevice"}},
        {"arrival of a present link", true, true, {receiverIn, cableIn}, {1, 1, 1, 0}, {"charging on", "connected"}, {}},
        {"removal while settling cancels", false, false, {cableIn, cableOut, cableSettles}, {0, 2, 0, 1},
         {"asleep", "disconnected", "timer cable", "cancel cable", "charging off", "disconnected"},
         {"cable:Close_FeatureDevice"}},
        {"timer without an arrival, odd presence values", false, false, {cableSettles, oddPresence}, {0, 0, 0, 1},
         {"asleep", "disconnected"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceLink& other = startWith(c.receiver, c.cable, true);
        for (Step step : c.steps) {
            switch (step) {
            case receiverIn: EXPECT_TRUE(other.dispatchMessage(UM_RECEIVER_ARRIVAL, 1, 0)) << "handled"; break;
            case receiverOut: other.dispatchMessage(UM_RECEIVER_ARRIVAL, 0, 0); break;
            case cableIn: other.dispatchMessage(UM_CABLE_DATA, 0x7F00, 1); break;  // as a data message
            case cableOut: other.dispatchMessage(UM_CABLE_ARRIVAL, 0, 0); break;
            case receiverSettles: other.completeArrival(Link::receiver); break;
            case cableSettles: other.completeArrival(Link::cable); break;
            case oddPresence:
                other.dispatchMessage(UM_CABLE_ARRIVAL, 7, 0);
                other.dispatchMessage(UM_RECEIVER_DATA, 0x7F00, 3);
                break;
            }
        }
        EXPECT_EQ(states(), c.states);
        EXPECT_EQ(observer.take(), c.effects);
        EXPECT_EQ(FakeDrivers::instance().takeCalls(), c.calls);
    }
    EXPECT_FALSE(link->dispatchMessage(UM_HOOK_INPUT, 1, 0)) << "not a link's message";
}

TEST_F(DeviceLinkTest, ReportRateSleepBatteryLightingDpiAndProfileNotifications) {
    startWith(true, false);
    const int expectedIndex[] = {3, 2, 1, 1, 0, 0, 0, 0};
    for (std::uint32_t interval = 1; interval <= 8; ++interval) {
        EXPECT_TRUE(link->handleNotification(kNotifyReportRate, interval));
        EXPECT_EQ(record.profiles[0].pollingRateIndex, expectedIndex[interval - 1]) << interval;
    }
    link->handleNotification(kNotifyReportRate, 1);
    for (const int impossible : {0, 9, 0xFFFF}) {
        EXPECT_FALSE(link->handleNotification(kNotifyReportRate, static_cast<std::uint32_t>(impossible)));
        EXPECT_EQ(pollingRateIndexForNotifiedInterval(impossible), 0) << "claims no more than the slowest rate";
    }
    EXPECT_EQ(record.profiles[0].pollingRateIndex, 3) << "left as it was";
    EXPECT_THAT(observer.take(), ::testing::Each("save"));

    link->handleNotification(kNotifySleepStatus, 0x0702);  // any low byte but 0 is awake
    EXPECT_EQ(states()[3], 0);
    link->handleNotification(kNotifySleepStatus, 0x0B00);  // asleep, even with a battery byte out of range
    EXPECT_EQ(states()[3], 1);
    link->handleNotification(kNotifyBattery, 3);  // reported, though not a status
    link->handleNotification(kNotifyBattery, 11);
    EXPECT_EQ(link->presence().batteryLevel, 3);
    link->handleNotification(kNotifySleepStatus, 0x0A00);
    EXPECT_THAT(observer.take(), ElementsAre("awake", "battery 7", "reported 7", "asleep", "reported 3", "asleep",
                                             "battery 10", "reported 10"));

    EXPECT_TRUE(link->handleNotification(kNotifyLightMode, 0));
    EXPECT_EQ(record.profiles[0].lightMode, 0);
    EXPECT_THAT(observer.take(), ElementsAre("save"));

    // DPI and profile switches on the mouse change the active profile; what is no switch changes nothing.
    startWith(true, false);
    record.activeProfile = 1;
    record.profiles[1].dpiValuesX[4] = 72;

    EXPECT_TRUE(link->dispatchMessage(UM_RECEIVER_DATA, 0x1000, 0x30005));  // (wParam << 16) XOR the low half of lParam
    EXPECT_EQ(record.profiles[1].dpiLevel, 4);
    EXPECT_EQ(record.profiles[0].dpiLevel, 2);
    EXPECT_THAT(observer.take(), ElementsAre("dpi level 4 (72)", "save"));

    link->dispatchMessage(UM_CABLE_DATA, 0x8000, 3);
    EXPECT_EQ(record.activeProfile, 2);
    EXPECT_THAT(observer.take(), ElementsAre("profile 2", "save"));

    const DeviceConfig before = record;
    for (auto [code, value] : {std::pair{0x1000u, 0u}, {0x1000u, 9u}, {0x8000u, 0u}, {0x8000u, 6u}, {0x7000u, 8u},
                               {0x2000u, 0u}, {0x2000u, 9u}, {0x3000u, 1u}, {0x9000u, 1u}})
        EXPECT_FALSE(link->handleNotification(code, value)) << std::hex << code << " " << value;
    link->dispatchMessage(UM_RECEIVER_DATA, 0x1000, -1);  // value 0xFFFF
    link->onDataMessage(Link::receiver, 0xA0000001u);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
    EXPECT_THAT(observer.take(), IsEmpty());
}

TEST_F(DeviceLinkTest, ReportsGoOverTheCableWhilePresentAndPauseOnlyAfterSuccessAndShutdownClosesInOrder) {
    startWith(true, true);
    const FeatureReport report = buildProfileSelectReport(record);
    EXPECT_EQ(link->writeReport(report, {}).link, Link::cable);
    EXPECT_THAT(driver(Link::cable).reports, ElementsAre(ElementsAre(0x0C, 0x04, 0x01, 0x05)));
    link->onArrivalMessage(Link::cable, 0);
    EXPECT_EQ(link->writeReport(report, {}).link, Link::receiver);
    driver(Link::receiver).setFeatureResult = 0;
    EXPECT_FALSE(link->writeReport(report, {}).written);
    EXPECT_EQ(driver(Link::receiver).reports.size(), 2u);
    EXPECT_THAT(pauses, ElementsAre(100ms, 400ms));

    // Shutdown closes the receiver, then the cable, drops pending arrivals and releases once.
    startWith(true, true).onArrivalMessage(Link::receiver, 0);
    link->onArrivalMessage(Link::receiver, 1);
    FakeDrivers::instance().takeCalls();
    link->closeLinks();
    EXPECT_THAT(FakeDrivers::instance().takeCalls(), ElementsAre("receiver:Close_FeatureDevice", "receiver:Close_DevMonitor",
                                                                 "cable:Close_FeatureDevice", "cable:Close_DevMonitor"));
    link->completeArrival(Link::receiver);
    EXPECT_EQ(states(), (States{2, 2, 0, 0}));
    link->releaseLibraries();
    link->closeLinks();
    link->releaseLibraries();
    EXPECT_EQ(binder.releases, 4) << "two of them at the end of the first link";
    EXPECT_THAT(FakeDrivers::instance().takeCalls(), IsEmpty());
}

// Only from the plugin folders (QX4_PLUGIN_DIR among them), never from the current one.
TEST(DriverLibrary, ComesFromThePluginFoldersNeverTheCurrentOneAndNeedsEveryEntryPoint) {
    const test::TempFolder here;
    const fs::path drivers = QX4_TEST_DRIVER_DIR;
    fs::copy_file(drivers / "qx4_test_driver_partial.so", here.path() / "qx4_cwd_driver.so");
    const fs::path previous = fs::current_path();
    fs::current_path(here.path());
    std::optional<test::ScopedEnv> pluginDir(std::in_place, "QX4_PLUGIN_DIR", drivers.string());
    const auto folders = pluginSearchFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_EQ(folders[1], (folders[0] / "../lib/qx4-config/plugins").lexically_normal()) << "an installed tree";
    EXPECT_EQ(folders[2], drivers);
    for (const char* name : {"./qx4_cwd_driver.so", "../qx4_test_driver_partial.so", "", "..", QX4_TEST_DRIVER_DIR "/qx4_test_driver_partial.so"})
        EXPECT_FALSE(findPlugin(name)) << name;

    pluginDir.emplace("QX4_PLUGIN_DIR", ".");  // a relative folder means the current one: ignored
    EXPECT_EQ(pluginSearchFolders().size(), 2u);
    HidDriverLink link;
    EXPECT_FALSE(bindLibrary(link, "qx4_cwd_driver.so"));
    fs::current_path(previous);

    // A library without one of the entry points binds, but its link cannot be used.
    pluginDir.emplace("QX4_PLUGIN_DIR", drivers.string());
    ASSERT_TRUE(bindLibrary(link, "qx4_test_driver_partial.so"));
    EXPECT_NE(link.Open_FeatureDevice, nullptr);
    EXPECT_EQ(link.SetFeature, nullptr);
    EXPECT_FALSE(link.usable());
    releaseLibrary(link);
}

}  // namespace
}  // namespace qx4
