// hiddriver_1.so and hiddriver_2.so, loaded by file name as the program loads them, against the
// mouse as an emulated kernel presents it: the interface they choose, the reports the mouse gets,
// its refusals, its status reports, and its coming and going.
#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/hex_fixture.h"
#include "core/device/link_state.h"
#include "kernel_mouse.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/patience.h"

namespace qx4 {
namespace {

using test::Posted;
using vm::KernelMouse;
using vm::KernelReport;
using Bytes = std::vector<std::uint8_t>;

// The nodes the bed presents are all in its own tree, so the driver never meets a real
// /dev/hidraw*; a test that finds otherwise stops before any driver opens one.
void requireEmulatedNodes(const KernelMouse& mouse) {
    const auto nodes = mouse.nodes();
    ASSERT_FALSE(nodes.empty());
    for (const auto& node : nodes) {
        ASSERT_TRUE(node.file.string().starts_with(mouse.root().string() + "/dev/")) << node.file;
        ASSERT_TRUE(std::filesystem::is_symlink(node.file)) << node.file;
    }
}

struct Driver : test::DriverLibrary {
    explicit Driver(Link link) : DriverLibrary(std::string(linkParameters(link).libraryFile)) {
        Set_VIDPID(linkParameters(link).vendorId, linkParameters(link).productId);
    }
    void listen(const test::RecordingSink& sink, Link link) {
        Open_DevMonitor(sink.sink(), linkParameters(link).dataMessage, linkParameters(link).arrivalMessage);
    }
};

TEST(HidrawDriver, EachLinkTalksToItsConfigurationInterfaceAndAFullDownloadArrivesByteForByte) {
    KernelMouse mouse({.receiver = true, .cable = true});
    requireEmulatedNodes(mouse);
    const std::vector<Bytes> download = test::readHexLines("full_download_defaults.hex");
    std::vector<KernelReport> expected;
    for (const Link link : kLinks) {
        SCOPED_TRACE(linkName(link));
        Driver driver(link);
        ASSERT_EQ(driver.Open_FeatureDevice(), 1);
        for (const Bytes& report : download) {
            EXPECT_EQ(driver.send(report), 1) << int{report[0]};
            expected.push_back({link, true, report});
        }
        unsigned char readBack[16] = {0x04};
        EXPECT_EQ(driver.GetFeature(readBack, sizeof(readBack)), 0);  // the mouse keeps none to read
        driver.Close_FeatureDevice();
        EXPECT_EQ(driver.send(download.front()), 0);
    }
    EXPECT_EQ(mouse.reports(), expected);
    mouse.inspect([&](const vm::MouseModel& model) { EXPECT_EQ(model.accepted(), static_cast<int>(expected.size())); });
}

TEST(HidrawDriver, ARefusedReportFailsAloneAndAVanishedDeviceFailsUntilItIsBack) {
    KernelMouse mouse({});
    requireEmulatedNodes(mouse);
    const Bytes select{0x0C, 4, 2, 5};
    Driver driver(Link::receiver);
    ASSERT_EQ(driver.Open_FeatureDevice(), 1);
    for (const int error : {EPIPE, EIO}) {
        SCOPED_TRACE(error);
        mouse.failReport(1, error);
        EXPECT_EQ(driver.send(select), 1);
        EXPECT_EQ(driver.send(select), 0);
        EXPECT_EQ(driver.send(select), 1);
    }
    Bytes shortReport = select;
    shortReport.pop_back();
    EXPECT_EQ(driver.send(shortReport), 0);  // the mouse refuses it

    // Gone in the middle of a download: what follows fails until the receiver is back and opened.
    mouse.failReport(1, ENODEV);
    EXPECT_EQ(driver.send(select), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(driver.send(select), 0);
    mouse.command("receiver unplug");
    EXPECT_EQ(driver.Open_FeatureDevice(), 0);
    mouse.command("receiver plug");
    requireEmulatedNodes(mouse);
    EXPECT_EQ(driver.send(select), 0);  // the old handle stays dead
    ASSERT_EQ(driver.Open_FeatureDevice(), 1);
    EXPECT_EQ(driver.send(select), 1);
    mouse.inspect([&](const vm::MouseModel& model) {
        EXPECT_EQ(model.accepted(), 6);
        EXPECT_EQ(model.rejected(), 1);
    });
}

TEST(HidrawDriver, StatusReportsArrivalsAndRemovalsReachTheProgramFromEachLink) {
    KernelMouse mouse({});
    requireEmulatedNodes(mouse);
    test::RecordingSink receiverPosts, cablePosts;
    Driver receiver(Link::receiver), cable(Link::cable);
    receiver.listen(receiverPosts, Link::receiver);
    cable.listen(cablePosts, Link::cable);

    // What the mouse's own buttons and state tell, over the receiver while it is plugged.
    const std::pair<const char*, Posted> told[] = {
        {"dpi", {UM_RECEIVER_DATA, 0x1000, 4}},    {"profile", {UM_RECEIVER_DATA, 0x8000, 2}},
        {"battery 3", {UM_RECEIVER_DATA, 0x6000, 3}}, {"sleep", {UM_RECEIVER_DATA, 0x4000, 0x0300}},
        {"wake", {UM_RECEIVER_DATA, 0x4000, 0x0301}},  {"rate 4", {UM_RECEIVER_DATA, 0x2000, 4}},
    };
    for (const auto& [command, posted] : told) {
        mouse.command(command);
        EXPECT_EQ(receiverPosts.next(test::kPatienceMs), posted) << command;
    }
    mouse.command("notify 0x0900 1");  // no notification of the mouse: dropped
    mouse.command("cable plug");
    EXPECT_EQ(cablePosts.next(test::kPatienceMs), (Posted{UM_CABLE_ARRIVAL, 1, 0}));
    mouse.command("receiver unplug");
    EXPECT_EQ(receiverPosts.next(test::kPatienceMs), (Posted{UM_RECEIVER_ARRIVAL, 0, 0}));
    mouse.command("battery 5");
    EXPECT_EQ(cablePosts.next(test::kPatienceMs), (Posted{UM_CABLE_DATA, 0x6000, 5}));
    mouse.command("receiver plug");
    EXPECT_EQ(receiverPosts.next(test::kPatienceMs), (Posted{UM_RECEIVER_ARRIVAL, 1, 0}));
    EXPECT_EQ(receiverPosts.next(test::kPatienceMs), (Posted{UM_RECEIVER_DATA, 0x4000, 0x0501}));
    mouse.command("dpi");
    EXPECT_EQ(receiverPosts.next(test::kPatienceMs), (Posted{UM_RECEIVER_DATA, 0x1000, 4}));  // profile 2 was at level 3
    mouse.command("cable unplug");
    EXPECT_EQ(cablePosts.next(test::kPatienceMs), (Posted{UM_CABLE_ARRIVAL, 0, 0}));
    receiver.Close_DevMonitor();
    cable.Close_DevMonitor();
    EXPECT_EQ(receiverPosts.takeAll(), std::vector<Posted>{});
    EXPECT_EQ(cablePosts.takeAll(), std::vector<Posted>{});
}

}  // namespace
}  // namespace qx4
