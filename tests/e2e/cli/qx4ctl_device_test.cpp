// qx4ctl apply and reports against a private qx4-virtual-mouse: what the mouse logs is what the
// encoder builds, in order, over the link that should carry it, at its pace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <sstream>

#include "core/config/config_file.h"
#include "core/device/apply_plan.h"
#include "tests/e2e/cli/qx4ctl_process.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

using ::testing::HasSubstr;
using test::qx4ctl;
using test::Reports;
using test::ToolRun;

test::VirtualMouse::Options plugged(bool receiver, bool cable) {
    test::VirtualMouse::Options options;
    options.receiver = receiver;
    options.cable = cable;
    return options;
}

class Qx4ctlDeviceTest : public ::testing::Test {
protected:
    Qx4ctlDeviceTest() {
        test::makeSampleRecord(*record);
        EXPECT_TRUE(saveConfig(*record));
    }

    test::TempFolder data{"qx4-e2e-data"};
    test::ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    test::TempFolder scratch{"qx4-e2e-run"};
    std::unique_ptr<DeviceConfig> record = std::make_unique<DeviceConfig>();
};

TEST_F(Qx4ctlDeviceTest, ApplyOverTheCableLogsTheFullDownloadAtTheCablesPace) {
    test::VirtualMouse mouse(plugged(false, true));
    const ToolRun apply = qx4ctl(scratch.path(), "apply --simulate").get();
    ASSERT_EQ(apply.exitCode, 0) << apply.err;

    Reports expected;
    for (const auto& planned : planApply(*record, SectionFlags::all()))
        expected.emplace_back(planned.report.view().begin(), planned.report.view().end());
    ASSERT_EQ(expected.size(), 1u + 15 + 3 + 5 + 1);
    ASSERT_TRUE(mouse.waitForReports(static_cast<int>(expected.size())));
    Reports logged;
    for (const auto& entry : mouse.log()) {
        EXPECT_EQ(entry.link, "cable");
        logged.push_back(entry.bytes);
    }
    EXPECT_EQ(logged, expected);
    // Every write that succeeded is followed by the cable's 100 ms.
    EXPECT_GE(apply.elapsed, std::chrono::milliseconds(100) * expected.size());
    EXPECT_THAT(apply.out, HasSubstr("Sent 25 of 25 reports"));

    // qx4ctl reports prints the same bytes without a mouse.
    const ToolRun reports = qx4ctl(scratch.path(), "reports").get();
    ASSERT_EQ(reports.exitCode, 0) << reports.err;
    std::istringstream printed(reports.out);
    EXPECT_EQ(test::parseHexLines(printed), expected);
}

TEST_F(Qx4ctlDeviceTest, StatusNamesTheLinksAndApplyFailsWithoutAnAwakeMouseOrWhenItStopsAnswering) {
    {
        auto asleep = plugged(true, false);
        asleep.asleep = true;
        asleep.battery = 6;
        test::VirtualMouse mouse(asleep);
        const ToolRun status = qx4ctl(scratch.path(), "status --simulate").get();
        EXPECT_EQ(status.out, "Receiver: present\nCable: not plugged in\nMouse: asleep\nBattery: 60%\n");
        const ToolRun apply = qx4ctl(scratch.path(), "apply --simulate").get();
        EXPECT_EQ(apply.exitCode, 1);
        EXPECT_THAT(apply.err, HasSubstr("the mouse is asleep"));
    }
    {
        test::VirtualMouse mouse(plugged(false, false));
        const ToolRun apply = qx4ctl(scratch.path(), "apply --simulate").get();
        EXPECT_EQ(apply.exitCode, 1);
        EXPECT_THAT(apply.err, HasSubstr("no mouse found on the receiver or the cable"));
    }
    test::VirtualMouse mouse(plugged(false, true));
    auto running = qx4ctl(scratch.path(), "apply --simulate");
    ASSERT_TRUE(mouse.waitForReports(3));
    mouse.command("cable unplug");
    const ToolRun apply = running.get();
    EXPECT_EQ(apply.exitCode, 1);
    EXPECT_THAT(apply.err, HasSubstr("the mouse did not take"));
    EXPECT_THAT(apply.out, HasSubstr("failed "));
}

// Without a program qx4ctl cannot know what the mouse holds, so each step sends everything.
TEST_F(Qx4ctlDeviceTest, AScriptedProfileReachesTheMouseAsTheSavedRecordEncodesIt) {
    test::VirtualMouse mouse(plugged(false, true));
    Reports expected;
    for (const test::ScriptStep& step : test::kProfileScript) {
        const ToolRun run = qx4ctl(scratch.path(), step.arguments).get();
        ASSERT_EQ(run.exitCode, 0) << step.arguments << ": " << run.err;
        const Reports sent = test::encoded(*test::savedRecord(), SectionFlags::all());
        expected.insert(expected.end(), sent.begin(), sent.end());
        EXPECT_THAT(run.out, HasSubstr("Sent to the mouse: " + std::to_string(sent.size()) + " reports.")) << run.out;
    }
    ASSERT_TRUE(mouse.waitForReports(static_cast<int>(expected.size())));
    Reports logged;
    for (const auto& entry : mouse.log()) logged.push_back(entry.bytes);
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(test::savedRecord()->profiles[1].buttons[4].functionCode, 69) << "volume_up";
}

}  // namespace
}  // namespace qx4
