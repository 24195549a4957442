#include "core/device/apply_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "hex_fixture.h"

namespace qx4 {
namespace {

using test::describe;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::string> describePlan(const std::vector<PlannedReport>& plan) {
    std::vector<std::string> names;
    for (const auto& planned : plan) names.push_back(describe(planned.report));
    return names;
}

class ApplyPlanTest : public ::testing::Test {
protected:
    ApplyPlanTest() {
        applyDefaults(current);
        applied = current;
    }
    std::vector<std::string> incremental() { return describePlan(planApply(current, compareConfigs(current, applied))); }

    DeviceConfig current{};
    DeviceConfig applied{};
};

TEST_F(ApplyPlanTest, FullDownloadOfTheDefaultsIsByteExact) {
    const auto plan = planApply(current, SectionFlags::all());
    const auto expected = test::readHexLines("full_download_defaults.hex");
    ASSERT_EQ(plan.size(), expected.size());
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const auto view = plan[i].report.view();
        EXPECT_THAT(std::vector<std::uint8_t>(view.begin(), view.end()), ElementsAreArray(expected[i])) << "report " << i;
    }
}

TEST_F(ApplyPlanTest, FullDownloadSendsMacrosBeforeButtonsAndTheActiveRateLast) {
    current.activeProfile = 3;
    current.profiles[0].buttons[4].functionCode = kMacroFunctionCode;
    current.profiles[3].buttons[0].functionCode = kMacroFunctionCode;
    EXPECT_THAT(describePlan(planApply(current, SectionFlags::all())),
                ElementsAre("select 4", "dpi 1", "light 1", "polling 1", "dpi 2", "light 2", "polling 2", "dpi 3",
                            "light 3", "polling 3", "dpi 4", "light 4", "polling 4", "dpi 5", "light 5", "polling 5",
                            "macro 1", "macro 2", "buttons 1", "buttons 2", "buttons 3", "buttons 4", "buttons 5",
                            "polling 4"));
}

TEST_F(ApplyPlanTest, UnchangedRecordSendsOnlyTheProfileSelectAndActiveRate) {
    current.activeProfile = 2;  // which profile is active is not a section of its own
    current.profiles[1].spareValue1 = 99;
    current.profiles[1].reservedHead[0] = 1;
    current.profiles[1].pollingRateIndex = 0;  // the rate is not compared either
    EXPECT_EQ(compareConfigs(current, applied), SectionFlags{});
    EXPECT_THAT(incremental(), ElementsAre("select 3", "polling 3"));
}

TEST_F(ApplyPlanTest, EachComparedFieldFlagsItsOwnSectionOnly) {
    struct Edit {
        std::function<void(ProfileSettings&)> change;
        Section section;
    };
    const Edit edits[] = {
        {[](ProfileSettings& p) { p.dpiParamA = 1; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiParamB = 1; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiLevelEnabled[7] = 1; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiValuesX[3] = 17; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiValuesY[0] = 5; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiLevel = 0; }, Section::dpi},
        {[](ProfileSettings& p) { p.dpiColors[2] = 0x123456; }, Section::dpi},
        {[](ProfileSettings& p) { p.lightMode = 1; }, Section::light},
        {[](ProfileSettings& p) { p.lightBrightness = 2; }, Section::light},
        {[](ProfileSettings& p) { p.lightBreathSpeed = 2; }, Section::light},
        {[](ProfileSettings& p) { p.lightColor = 0x10; }, Section::light},
        {[](ProfileSettings& p) { p.lightExtra = 0; }, Section::light},
        {[](ProfileSettings& p) { p.lightDirection = 0; }, Section::light},
        {[](ProfileSettings& p) { p.buttons[23].macroActions[45].delay = 1; }, Section::buttons},
        {[](ProfileSettings& p) { p.buttons[0].spareWord = 1; }, Section::buttons},
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        DeviceConfig edited = applied;
        edits[i].change(edited.profiles[3]);
        SectionFlags expected;
        expected.mark(edits[i].section, 3);
        EXPECT_EQ(compareConfigs(edited, applied), expected) << "edit " << i;
    }
}

TEST_F(ApplyPlanTest, ChangedColourOfTheActiveProfileSendsItsDpiReport) {
    current.activeProfile = 1;
    applied.activeProfile = 1;
    current.profiles[1].dpiColors[2] = 0x00ABCDEF;
    EXPECT_THAT(incremental(), ElementsAre("select 2", "dpi 2", "polling 2"));

    current.profiles[1].lightDirection = 0;  // not on the wire, yet it sends the lighting report
    EXPECT_THAT(incremental(), ElementsAre("select 2", "dpi 2", "light 2", "polling 2"));
}

TEST_F(ApplyPlanTest, ChangedMacroInOneBindingResendsEveryMacroAndEveryButtonReport) {
    current.profiles[0].buttons[2].functionCode = kMacroFunctionCode;
    current.profiles[3].buttons[9].functionCode = kMacroFunctionCode;
    current.profiles[3].buttons[9].macroActionCount = 1;
    applied = current;
    current.profiles[3].buttons[9].macroActions[0].code = 0x1E;
    EXPECT_THAT(incremental(), ElementsAre("select 1", "macro 1", "macro 2", "buttons 1", "buttons 2", "buttons 3",
                                           "buttons 4", "buttons 5", "polling 1"));
    const auto plan = planApply(current, compareConfigs(current, applied));
    EXPECT_EQ(plan[2].report.bytes[29 + 1], 0x1E);
    EXPECT_EQ(plan[2].profile, 3);
    EXPECT_EQ(plan[2].section, Section::buttons);
}

TEST_F(ApplyPlanTest, DamagedActiveProfileStillSelectsAndSendsAnExistingProfile) {
    for (std::int32_t damaged : {-1, 5, 1000}) {
        current.activeProfile = damaged;
        EXPECT_THAT(incremental(), ElementsAre("select 1", "polling 1")) << damaged;
    }
}

}  // namespace
}  // namespace qx4
