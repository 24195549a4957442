// qx4ctl while qx4-config runs against a private qx4-virtual-mouse: every step goes to the program,
// which sends it as its pages would, and what it saved is what the mouse got and what stays on disk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/config/record_bytes.h"
#include "tests/e2e/app/program.h"
#include "tests/e2e/cli/qx4ctl_process.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

using ::testing::HasSubstr;

TEST(Qx4ctlWithTheProgram, AScriptedProfileIsSentAsThePagesSendItAndTheProgramKeepsIt) {
    TempFolder data{"qx4-e2e-data"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    ScopedEnv logEnv{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    TempFolder scratch{"qx4-e2e-run"};
    VirtualMouse::Options cable;
    cable.receiver = false;
    cable.cable = true;
    VirtualMouse mouse(cable);

    Program program({"--simulate", "--tray"});
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    auto previous = savedRecord();
    Reports expected = encoded(*previous, SectionFlags::all());

    for (const ScriptStep& step : kProfileScript) {
        const ToolRun run = qx4ctl(scratch.path(), step.arguments).get();
        ASSERT_EQ(run.exitCode, 0) << step.arguments << ": " << run.err;
        auto saved = savedRecord();
        const Reports sent =
            encoded(*saved, step.allProfiles ? SectionFlags::all() : compareConfigs(*saved, *previous));
        expected.insert(expected.end(), sent.begin(), sent.end());
        EXPECT_THAT(run.out, HasSubstr("Sent to the mouse: " + std::to_string(sent.size()) + " reports.")) << run.out;
        previous = std::move(saved);
    }
    ASSERT_TRUE(mouse.waitForReports(static_cast<int>(expected.size())));
    Reports logged;
    for (const auto& entry : mouse.log()) logged.push_back(entry.bytes);
    EXPECT_EQ(logged, expected);

    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    EXPECT_TRUE(std::ranges::equal(recordBytes(*savedRecord()), recordBytes(*previous)))
        << "the program's own save at its end keeps what qx4ctl changed";
    EXPECT_EQ(savedRecord()->profiles[1].buttons[4].functionCode, 69) << "volume_up";
}

}  // namespace
}  // namespace qx4::test
