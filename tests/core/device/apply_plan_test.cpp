#include "core/device/apply_plan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"

namespace qx4 {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> describePlan(const std::vector<PlannedReport>& plan) {
    std::vector<std::string> names;
    for (const auto& planned : plan) names.push_back(test::describe(planned.report));
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
    DeviceConfig sample{};
};

// Both fixtures were written out independently of the encoder.
TEST_F(ApplyPlanTest, FullDownloadsAreByteExactInOrder) {
    test::makeSampleRecord(sample);
    for (auto [record, fixture] : {std::pair{&current, "full_download_defaults.hex"}, {&sample, "full_download_sample.hex"}}) {
        SCOPED_TRACE(fixture);
        const auto plan = planApply(*record, SectionFlags::all());
        const auto expected = test::readHexLines(fixture);
        ASSERT_EQ(plan.size(), expected.size());
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const auto view = plan[i].report.view();
            EXPECT_EQ(std::vector<std::uint8_t>(view.begin(), view.end()), expected[i]) << "report " << i;
        }
    }
}

// Which profile is active, the report rate and uncompared bytes are no section of their own; a
// damaged active profile still selects and sends one that exists.
TEST_F(ApplyPlanTest, UnchangedSectionsSendOnlyTheProfileSelectAndActiveRate) {
    current.profiles[1].spareValue1 = 99;
    current.profiles[1].reservedHead[0] = 1;
    current.profiles[1].pollingRateIndex = 0;
    EXPECT_EQ(compareConfigs(current, applied), SectionFlags{});
    for (auto [active, profile] : {std::pair{2, "3"}, {-1, "1"}, {5, "1"}, {1000, "1"}}) {
        current.activeProfile = active;
        EXPECT_THAT(incremental(), ElementsAre(std::string("select ") + profile, std::string("polling ") + profile)) << active;
    }
}

TEST_F(ApplyPlanTest, EachComparedFieldFlagsItsOwnSectionOnly) {
    const std::pair<std::function<void(ProfileSettings&)>, Section> edits[] = {
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
        {[](ProfileSettings& p) { p.lightDirection = 0; }, Section::light},  // not on the wire, yet sent
        {[](ProfileSettings& p) { p.buttons[23].macroActions[45].delay = 1; }, Section::buttons},
        {[](ProfileSettings& p) { p.buttons[0].spareWord = 1; }, Section::buttons},
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        DeviceConfig edited = applied;
        edits[i].first(edited.profiles[3]);
        SectionFlags expected;
        expected.mark(edits[i].second, 3);
        EXPECT_EQ(compareConfigs(edited, applied), expected) << "edit " << i;
    }
}

TEST_F(ApplyPlanTest, ChangedColourOfTheActiveProfileSendsItsDpiReport) {
    current.activeProfile = applied.activeProfile = 1;
    current.profiles[1].dpiColors[2] = 0x00ABCDEF;
    EXPECT_THAT(incremental(), ElementsAre("select 2", "dpi 2", "polling 2"));
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
    EXPECT_EQ(plan[2].report.bytes[30], 0x1E);
    EXPECT_EQ(plan[2].profile, 3);
    EXPECT_EQ(plan[2].section, Section::buttons);
}

// The window's pending sections and the worker's come from one rule: after loading nothing is an
// edit of the user's, an edit stays pending until an apply sends it (the active report rate too,
// which every apply sends), a report that fails keeps its section pending, and what the mouse
// switched by itself is on the mouse while the user's own edits stay pending.
TEST_F(ApplyPlanTest, WhatTheMouseLacksIsWhatTheNextApplySends) {
    MouseCopy mouse;
    mouse.setBaseline(std::make_shared<const DeviceConfig>(current), true);
    EXPECT_EQ(mouse.unapplied(current), SectionFlags{});
    EXPECT_EQ(mouse.due(current, false), SectionFlags::all());
    mouse.applied(std::make_shared<const DeviceConfig>(current), {});

    current.profiles[1].dpiColors[0] = 0x123456;
    current.profiles[0].pollingRateIndex = 0;
    current.profiles[0].lightMode = 2;
    SectionFlags edited;
    edited.mark(Section::dpi, 1);
    edited.mark(Section::polling, 0);
    edited.mark(Section::light, 0);
    EXPECT_EQ(mouse.unapplied(current), edited);
    EXPECT_EQ(edited.count(), 3);
    EXPECT_THAT(describePlan(planApply(current, mouse.due(current, false))),
                ElementsAre("select 1", "light 1", "dpi 2", "polling 1"));

    const MouseSwitches before = MouseSwitches::of(current);
    current.profiles[0].dpiLevel = 6;
    mouse.mouseSwitched(before, current);
    EXPECT_EQ(mouse.unapplied(current), edited);

    SectionFlags lost;
    lost.mark(Section::dpi, 1);
    mouse.applied(std::make_shared<const DeviceConfig>(current), lost);
    EXPECT_EQ(mouse.unapplied(current), lost);
    EXPECT_EQ(mouse.due(current, false), lost);
    mouse.applied(std::make_shared<const DeviceConfig>(current), {});
    EXPECT_EQ(mouse.unapplied(current), SectionFlags{});
}

}  // namespace
}  // namespace qx4
