// The virtualmouse driver libraries, loaded as the program loads them, against a real
// qx4-virtual-mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "tests/plugins/plugin_harness.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

constexpr std::uint32_t kData = 1329, kArrival = 1330, kCableData = 1331, kCableArrival = 1332;
const std::vector<unsigned char> kSelectProfile2{0x0C, 4, 2, 5};

struct Links {
    DriverLibrary receiver{"virtualmouse_1.so"};
    DriverLibrary cable{"virtualmouse_2.so"};
    Links() {
        receiver.Set_VIDPID(0x1D57, 0xFA66);
        cable.Set_VIDPID(0x1D57, 0xFA65);
    }
};

TEST(VirtualMouseDriver, EachFileServesItsOwnLinkAndTheMouseLogsWhatItHeard) {
    VirtualMouse mouse;
    Links links;
    EXPECT_EQ(links.receiver.Open_FeatureDevice(), 1);
    EXPECT_EQ(links.cable.Open_FeatureDevice(), 0);  // the cable is unplugged
    EXPECT_EQ(links.receiver.send(kSelectProfile2), 1);
    EXPECT_EQ(links.cable.send(kSelectProfile2), 0);
    EXPECT_EQ(links.receiver.send({0x0C, 4, 9, 5}), 0);  // heard and refused
    EXPECT_EQ(links.receiver.SetFeature(nullptr, 4), 0);

    mouse.command("cable plug");
    EXPECT_EQ(links.cable.Open_FeatureDevice(), 1);
    EXPECT_EQ(links.cable.send({0x06, 9, 2, 4, 0, 0, 0, 0, 0}), 1);
    mouse.command("cable unplug");  // what an open link sends now is not heard, nor logged
    EXPECT_EQ(links.cable.send(kSelectProfile2), 0);
    ASSERT_TRUE(mouse.waitForReports(3));
    const std::vector<LogEntry> expected{{"receiver", {0x0C, 4, 2, 5}},
                                         {"receiver", {0x0C, 4, 9, 5}},
                                         {"cable", {0x06, 9, 2, 4, 0, 0, 0, 0, 0}}};
    EXPECT_EQ(mouse.log(), expected);
    std::ifstream raw(mouse.logPath());
    std::string first;
    std::getline(raw, first);
    EXPECT_EQ(first, "receiver 0c 04 02 05");

    links.receiver.Set_VIDPID(0x1234, 0xFA66);  // ids of no link
    EXPECT_EQ(links.receiver.Open_FeatureDevice(), 0);
}

TEST(VirtualMouseDriver, MonitorPostsWhatTheMouseSendsOnItsLinkOnly) {
    VirtualMouse mouse;
    Links links;
    RecordingSink receiver, cable;
    links.receiver.Open_DevMonitor(receiver.sink(), kData, kArrival);
    links.cable.Open_DevMonitor(cable.sink(), kCableData, kCableArrival);
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0801}));  // the status on subscribing

    for (const char* line : {"dpi", "notify 0xffff 0xffff", "cable plug", "receiver unplug", "battery 2",
                             "receiver plug", "cable unplug", "sleep"}) {
        mouse.command(line);
    }
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x1000, 4}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(cable.next(), (Posted{kCableArrival, 1, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kArrival, 0, 0}));
    EXPECT_EQ(cable.next(), (Posted{kCableData, 0x6000, 2}));
    EXPECT_EQ(receiver.next(), (Posted{kArrival, 1, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0201}));
    EXPECT_EQ(cable.next(), (Posted{kCableArrival, 0, 0}));
    EXPECT_EQ(receiver.next(), (Posted{kData, 0x4000, 0x0200}));
    EXPECT_FALSE(cable.next(50));

    links.receiver.Close_DevMonitor();  // the posts end at once; the mouse goes on serving the others
    mouse.command("dpi");
    EXPECT_FALSE(receiver.next(100));
    EXPECT_EQ(mouse.stop(), 0);
}

TEST(VirtualMouseDriver, AMouseThatStartsLaterArrivesAndOneThatStopsIsRemoved) {
    TempFolder folder;
    ScopedEnv runtime("QX4_RUNTIME_DIR", folder.path().string());
    Links links;
    RecordingSink sink;
    links.cable.Open_DevMonitor(sink.sink(), kCableData, kCableArrival);
    EXPECT_EQ(links.cable.Open_FeatureDevice(), 0);
    EXPECT_FALSE(sink.next(50));

    VirtualMouse::Options cableOnly{.receiver = false, .cable = true, .runtimeFolder = folder.path()};
    std::optional<VirtualMouse> mouse(cableOnly);
    EXPECT_EQ(sink.next(), (Posted{kCableArrival, 1, 0}));
    ASSERT_EQ(links.cable.Open_FeatureDevice(), 1);
    EXPECT_EQ(links.cable.send(kSelectProfile2), 1);
    mouse.reset();  // it quits and takes its links with it
    EXPECT_EQ(sink.next(), (Posted{kCableArrival, 0, 0}));
    EXPECT_EQ(links.cable.send(kSelectProfile2), 0);
}

TEST(VirtualMouseDriver, WorkerSendsWhileTheUiThreadOpensAndClosesTheLink) {
    VirtualMouse mouse;
    Links links;
    RecordingSink sink;
    ASSERT_EQ(links.receiver.Open_FeatureDevice(), 1);
    std::atomic<bool> done{false};
    std::atomic<int> succeeded{0};
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) succeeded += links.receiver.send(kSelectProfile2);
        done = true;
    });
    while (!done) {
        links.receiver.Open_DevMonitor(sink.sink(), kData, kArrival);
        links.receiver.Close_FeatureDevice();
        links.receiver.Open_FeatureDevice();
        links.receiver.Close_DevMonitor();
    }
    worker.join();
    EXPECT_GT(succeeded.load(), 0);
    EXPECT_EQ(mouse.stateValue("receiver"), "plugged");
}

}  // namespace
}  // namespace qx4::test
