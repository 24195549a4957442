// Report bytes field by field and what the mouse really does with a stored DPI value; applying:
// which reports a change needs, byte-exact downloads, and the worker that sends them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>

#include "core/device/apply_worker.h"
#include "core/device/dpi_steps.h"
#include "tests/support/hex_fixture.h"
#include "tests/support/sample_record.h"

namespace qx4 {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// "select 1", "dpi 2", "macro 3": the report's kind and byte 2 (profile number or macro slot).
std::string describe(const FeatureReport& report) {
    static constexpr const char* kNames[] = {"select", "dpi", "light", "polling", "buttons", "macro"};
    return kNames[static_cast<int>(report.type)] + (" " + std::to_string(report.bytes[2]));
}

// The mouse and the window as the worker sees them: notes each report, described, and answers as
// the test scripts (true: written); notes how each request ended.
class ScriptedMouse final : public ReportWriter, public ApplyListener {
public:
    struct End {
        ApplyOutcome outcome;                 // of a finished apply
        std::optional<ApplySkipReason> skip;  // of a skipped one
    };
    std::function<bool(const FeatureReport&)> answer;  // changed only while no request runs

    WriteResult writeReport(const FeatureReport& report, std::stop_token) override {
        std::lock_guard lock(mutex_);
        written_.push_back(describe(report));
        return {!answer || answer(report), Link::cable};
    }
    void applyStarted(const ApplyStart&) override {}
    void reportWritten(const PlannedReport&, const WriteResult&, int) override {}
    void applyFinished(const ApplyOutcome& outcome) override { end({outcome, std::nullopt}); }
    void applySkipped(ApplySkipReason reason) override { end({{}, reason}); }

    // Waits until `count` requests have ended, finished or skipped, and returns what was written
    // since the last call; fails the test after 20 s.
    std::vector<std::string> waitForEnded(std::size_t count) {
        std::unique_lock lock(mutex_);
        EXPECT_TRUE(changed_.wait_for(lock, std::chrono::seconds(20), [&] { return ended_.size() >= count; }));
        return std::exchange(written_, {});
    }
    End last() {
        std::lock_guard lock(mutex_);
        return ended_.back();
    }

private:
    void end(const End& ended) {
        std::lock_guard lock(mutex_);
        ended_.push_back(ended);
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> written_;
    std::vector<End> ended_;
};

std::vector<std::string> describePlan(const std::vector<PlannedReport>& plan) {
    std::vector<std::string> names;
    for (const auto& planned : plan) names.push_back(describe(planned.report));
    return names;
}

class ApplyPlanTest : public ::testing::Test {
protected:
    ApplyPlanTest() { applied = current; }
    std::vector<std::string> incremental() { return describePlan(planApply(current, compareConfigs(current, applied))); }

    const std::unique_ptr<DeviceConfig> records[3]{test::newRecord(), test::newRecord(), test::sampleRecord()};
    DeviceConfig& current = *records[0];
    DeviceConfig& applied = *records[1];
    DeviceConfig& sample = *records[2];
};

// Both fixtures were written out independently of the encoder.
TEST_F(ApplyPlanTest, FullDownloadsAreByteExactInOrder) {
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
// damaged active profile still selects and sends one that exists. Every compared field flags its
// own section only.
TEST_F(ApplyPlanTest, UnchangedSectionsSendOnlyTheProfileSelectAndActiveRate) {
    current.profiles[1].spareValue1 = 99;
    current.profiles[1].reservedHead[0] = 1;
    current.profiles[1].pollingRateIndex = 0;
    EXPECT_EQ(compareConfigs(current, applied), SectionFlags{});
    for (auto [active, profile] : {std::pair{2, "3"}, {-1, "1"}, {5, "1"}, {1000, "1"}}) {
        current.activeProfile = active;
        EXPECT_THAT(incremental(), ElementsAre(std::string("select ") + profile, std::string("polling ") + profile)) << active;
    }

    const std::pair<std::function<void(ProfileSettings&)>, Section> edits[] = {
        {[](auto& p) { p.dpiParamA = 1; }, Section::dpi}, {[](auto& p) { p.dpiParamB = 1; }, Section::dpi},
        {[](auto& p) { p.dpiLevelEnabled[7] = 1; }, Section::dpi}, {[](auto& p) { p.dpiValuesX[3] = 17; }, Section::dpi},
        {[](auto& p) { p.dpiValuesY[0] = 5; }, Section::dpi}, {[](auto& p) { p.dpiLevel = 0; }, Section::dpi},
        {[](auto& p) { p.dpiColors[2] = 0x123456; }, Section::dpi}, {[](auto& p) { p.lightMode = 1; }, Section::light},
        {[](auto& p) { p.lightBrightness = 2; }, Section::light}, {[](auto& p) { p.lightBreathSpeed = 2; }, Section::light},
        {[](auto& p) { p.lightColor = 0x10; }, Section::light}, {[](auto& p) { p.lightExtra = 0; }, Section::light},
        {[](auto& p) { p.lightDirection = 0; }, Section::light},  // not on the wire, yet sent
        {[](auto& p) { p.buttons[23].macroActions[45].delay = 1; }, Section::buttons},
        {[](auto& p) { p.buttons[0].spareWord = 1; }, Section::buttons},
    };
    for (std::size_t i = 0; i < std::size(edits); ++i) {
        DeviceConfig edited = applied;
        edits[i].first(edited.profiles[3]);
        SectionFlags expected;
        expected.mark(edits[i].second, 3);
        EXPECT_EQ(compareConfigs(edited, applied), expected) << "edit " << i;
    }
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

class ApplyWorkerTest : public ::testing::Test {
protected:
    ApplyWorkerTest() {
        presence.cableState = kLinkPresent;
        presence.mouseAsleep = 0;
    }
    // Runs one request to its end and returns what it wrote.
    std::vector<std::string> applyAndWait(bool full) {
        worker.requestApply(full, record);
        return mouse.waitForEnded(++requests);
    }

    const std::unique_ptr<DeviceConfig> made = test::newRecord();
    DeviceConfig& record = *made;
    PresenceState presence;
    ScriptedMouse mouse;
    std::size_t requests = 0;
    ApplyWorker worker{mouse, presence, mouse};
};

TEST_F(ApplyWorkerTest, AFullDownloadFirstThenOnlyChangesAndNothingWithoutALinkOrAwakeMouse) {
    worker.setBaseline(record);
    EXPECT_THAT(applyAndWait(false), SizeIs(1 + 15 + 5 + 1));
    EXPECT_TRUE(mouse.last().outcome.full);
    EXPECT_EQ(mouse.last().outcome.sent, 22);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
    record.profiles[4].lightColor = 0x00112233;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "light 5", "polling 1"));
    EXPECT_THAT(applyAndWait(true), SizeIs(22));

    worker.setBaseline(record, false);  // the mouse is known to hold it already
    record.profiles[2].dpiLevel = 5;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 3", "polling 1"));

    // No link or a sleeping mouse drops the request but not the difference.
    worker.setBaseline(record);
    presence.mouseAsleep = 1;
    EXPECT_THAT(applyAndWait(false), IsEmpty());
    EXPECT_EQ(mouse.last().skip, ApplySkipReason::mouseAsleep);
    presence.mouseAsleep = 0;
    EXPECT_THAT(applyAndWait(false), SizeIs(22));  // the full download is still due

    record.profiles[0].dpiValuesX[0] = 9;
    presence.cableState = kLinkRemoved;
    EXPECT_THAT(applyAndWait(false), IsEmpty());
    EXPECT_EQ(mouse.last().skip, ApplySkipReason::noLink);
    presence.receiverState = kLinkPresent;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, FailedReportsStayOwedUntilTheyReachTheMouse) {
    record.profiles[1].buttons[3].functionCode = kMacroFunctionCode;
    worker.setBaseline(record);
    bool failing = true;  // the worker reads it only while a request runs
    mouse.answer = [&failing](const FeatureReport& report) {
        const bool refused = (report.type == ReportType::dpi && report.bytes[2] == 3) || report.type == ReportType::macro ||
                             (report.type == ReportType::polling && report.bytes[2] == 4);
        return !(failing && refused);
    };
    applyAndWait(false);
    EXPECT_EQ(mouse.last().outcome.failed, 3);
    EXPECT_EQ(mouse.last().outcome.sent, 23 - 3);

    // Nothing changed since, yet the failed sections go again (a macro brings every button report).
    const std::vector<std::string> owed{"select 1", "dpi 3",     "polling 4", "macro 1",   "buttons 1",
                                        "buttons 2", "buttons 3", "buttons 4", "buttons 5", "polling 1"};
    EXPECT_EQ(applyAndWait(false), owed);
    failing = false;
    EXPECT_EQ(applyAndWait(false), owed);
    EXPECT_EQ(mouse.last().outcome.failed, 0);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
}

// Rows of decimal numbers from tests/data/device, comments skipped.
std::vector<std::vector<long long>> readNumbers(const std::string& name) {
    std::ifstream in(std::string(QX4_TEST_DATA_DIR) + "/device/" + name);
    std::vector<std::vector<long long>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        rows.emplace_back(std::istream_iterator<long long>(fields), std::istream_iterator<long long>());
    }
    return rows;
}

// Every value from 0 to 100, negative ones and some beyond the low byte.
TEST(ReportBytes, DpiValuesRateIndicesAndButtonFunctionsFollowTheirTables) {
    const auto rows = readNumbers("dpi_codes.txt");
    ASSERT_GT(rows.size(), 100u);
    for (const auto& row : rows) {
        const DpiCode result = dpiSensorCode(static_cast<std::int32_t>(row.at(0)));
        EXPECT_EQ(result.code, row.at(1)) << "value " << row[0];
        EXPECT_EQ(result.doubleRange, row.at(2) == 1) << "value " << row[0];
    }
    const std::pair<std::int32_t, std::uint8_t> rates[] = {{0, 8}, {1, 4}, {2, 2}, {3, 1}, {4, 2}, {-1, 2}, {256, 2}};
    for (auto [index, code] : rates) EXPECT_EQ(pollingIntervalCode(index), code) << index;

    // The button report sends every wire table code at each position.
    std::map<long long, std::vector<long long>> wire;
    for (const auto& row : readNumbers("function_wire.txt")) wire[row.at(0)] = {row.begin() + 1, row.end()};
    ASSERT_EQ(wire.size(), 58u);

    // All 256 codes through the 24 positions; codes the table does not list go out as 0, 0, 0.
    ProfileSettings profile{};
    for (int first = 0; first < 256; first += kButtonCount) {
        for (int j = 0; j < kButtonCount; ++j) {
            profile.buttons[static_cast<std::size_t>(j)].functionCode = static_cast<std::uint8_t>(first + j);
            profile.buttons[static_cast<std::size_t>(j)].modifierMask = 0x0F;
            profile.buttons[static_cast<std::size_t>(j)].keyCode = 0x2C;
        }
        const FeatureReport report = buildButtonReport(profile, 0, {});
        for (int j = 0; j < kButtonCount; ++j) {
            const int code = (first + j) % 256;
            if (code == kKeyboardFunctionCode || code == kMacroFunctionCode) continue;
            const auto found = wire.find(code);
            const std::vector<long long> expected = found == wire.end() ? std::vector<long long>{0, 0, 0} : found->second;
            const auto at = static_cast<std::size_t>(3 + 3 * j);
            EXPECT_EQ((std::vector<long long>{report.bytes[at], report.bytes[at + 1], report.bytes[at + 2]}), expected)
                << "code " << code << " at button " << j;
        }
        EXPECT_EQ(report.bytes[75] | report.bytes[76], 0);
    }
}

TEST(DpiSteps, EachStoredValueIsTheDpiItsSensorCodeStandsForAndHasItsSliderStep) {
    const std::pair<std::int32_t, int> cases[] = {
        {0, 100},    {1, 100},    {2, 200},   {49, 4900}, {50, 4900},  // 50 is clamped to index 49
        {51, 5000},  {52, 5200},  {53, 5200}, {60, 6000}, {98, 9800}, {99, 9800}, {100, 9800},
        {256, 200},  {300, 4400},  // only the low byte counts: 300 is 44, halved in double range
        {-1, 4900},  {-256, 100}, {INT32_MIN, 100}};
    for (auto [value, dpi] : cases) EXPECT_EQ(effectiveDpi(value), dpi) << "value " << value;

    // The sliders offer every DPI once, and every stored value lands on its own DPI.
    const auto steps = dpiSteps();
    ASSERT_EQ(steps.size(), 74u);
    std::vector<int> expected;
    for (int dpi = 100; dpi <= 4900; dpi += 100) expected.push_back(dpi);
    for (int dpi = 5000; dpi <= 9800; dpi += 200) expected.push_back(dpi);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(effectiveDpi(steps[i]), expected[i]) << "step " << i;
        // Only 5,000 DPI has no value of its own face: 50 is sent as 4,900.
        EXPECT_EQ(effectiveDpi(steps[i]) == steps[i] * kDpiPerHundred, steps[i] != 51) << "step " << i;
    }
    for (std::int32_t value = -600; value <= 600; ++value) {
        EXPECT_EQ(effectiveDpi(steps[dpiStepFor(value)]), effectiveDpi(value)) << "value " << value;
    }
}

}  // namespace
}  // namespace qx4
