// qx4ctl apply and reports against a private qx4-virtual-mouse: what the mouse logs is what
// tests/data/device says the saved record sends, in order, over the link that should carry it, at
// its pace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <sstream>

#include "tests/support/hex_fixture.h"
#include "tests/support/qx4ctl_process.h"
#include "tests/support/sample_record.h"

namespace qx4::test {
namespace {

using ::testing::HasSubstr;

class Qx4ctlDeviceTest : public ::testing::Test {
protected:
    Qx4ctlDeviceTest() {
        makeSampleRecord(*record);
        EXPECT_TRUE(saveConfig(*record));
    }

    TempFolder data{"qx4-e2e-data"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    std::unique_ptr<DeviceConfig> record = std::make_unique<DeviceConfig>();
};

// A full download, then a script run backwards without --apply: the profile choice, last, sends at
// once, and without a program qx4ctl cannot know what the mouse holds, so it sends everything the
// earlier steps saved.
TEST_F(Qx4ctlDeviceTest, ApplyAndAScriptReachTheMouseOverTheCableAsTheSavedRecordEncodesIt) {
    VirtualMouse mouse({.receiver = false, .cable = true, .runtimeFolder = {}});
    const Ran apply = runQx4ctl({"apply", "--simulate"});
    ASSERT_EQ(apply.exitCode, 0) << apply.err;
    Reports expected = readHexLines("full_download_sample.hex");
    EXPECT_EQ(heard(mouse, expected.size()), expected);
    for (const LogEntry& entry : mouse.log()) EXPECT_EQ(entry.link, "cable");
    // Every write that succeeded is followed by the cable's 100 ms.
    EXPECT_GE(apply.elapsed, std::chrono::milliseconds(100) * expected.size());
    EXPECT_THAT(apply.out, HasSubstr("Sent 25 of 25 reports"));
    // qx4ctl reports prints the same bytes without a mouse.
    const Ran reports = runQx4ctl({"reports"});
    ASSERT_EQ(reports.exitCode, 0) << reports.err;
    std::istringstream printed(reports.out);
    EXPECT_EQ(parseHexLines(printed), expected);

    Ran run;
    for (auto step = kProfileScript.rbegin(); step != kProfileScript.rend(); ++step) {
        std::vector<std::string> arguments = *step;
        std::erase(arguments, "--apply");
        run = runQx4ctl(arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments[0] << ": " << run.err;
    }
    expected = joined(expected, readHexLines("full_download_sample_scripted.hex"));
    EXPECT_THAT(run.out, HasSubstr("Sent to the mouse: 25 reports.")) << run.out;
    EXPECT_EQ(heard(mouse, expected.size()), expected);
    EXPECT_EQ(savedRecord()->profiles[1].buttons[4].functionCode, 69) << "volume_up";
}

TEST_F(Qx4ctlDeviceTest, StatusNamesTheLinksAndApplyFailsWithoutAnAwakeMouseOrWhenItStopsAnswering) {
    {
        VirtualMouse mouse({.receiver = true, .cable = false, .asleep = true, .battery = 6, .runtimeFolder = {}});
        const Ran status = runQx4ctl({"status", "--simulate"});
        EXPECT_EQ(status.out, "Receiver: present\nCable: not plugged in\nMouse: asleep\nBattery: 60%\n");
        const Ran apply = runQx4ctl({"apply", "--simulate"});
        EXPECT_EQ(apply.exitCode, 1);
        EXPECT_THAT(apply.err, HasSubstr("the mouse is asleep"));
    }
    {
        VirtualMouse mouse({.receiver = false, .cable = false, .runtimeFolder = {}});
        const Ran apply = runQx4ctl({"apply", "--simulate"});
        EXPECT_EQ(apply.exitCode, 1);
        EXPECT_THAT(apply.err, HasSubstr("no mouse found on the receiver or the cable"));
    }
    VirtualMouse mouse({.receiver = false, .cable = true, .runtimeFolder = {}});
    auto running = std::async(std::launch::async, [] { return runQx4ctl({"apply", "--simulate"}); });
    ASSERT_TRUE(mouse.waitForReports(3));
    mouse.command("cable unplug");
    const Ran apply = running.get();
    EXPECT_EQ(apply.exitCode, 1);
    EXPECT_THAT(apply.err, HasSubstr("the mouse did not take"));
    EXPECT_THAT(apply.out, HasSubstr("failed "));
}

}  // namespace
}  // namespace qx4::test
