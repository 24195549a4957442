#include "core/device/apply_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <latch>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "core/device/device_link.h"
#include "device_fakes.h"

namespace qx4 {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class ApplyWorkerTest : public ::testing::Test {
protected:
    ApplyWorkerTest() {
        applyDefaults(record);
        presence.cableState = kLinkPresent;
        presence.mouseAsleep = 0;
    }
    // Runs one request to its end and returns what it wrote.
    std::vector<std::string> applyAndWait(bool full) {
        worker.requestApply(full, record);
        EXPECT_TRUE(listener.waitForEnded(++requests));
        return writer.takeDescribed();
    }

    DeviceConfig record{};
    PresenceState presence;
    test::ScriptedWriter writer;
    test::WaitableListener listener;
    std::size_t requests = 0;
    ApplyWorker worker{writer, presence, listener};
};

TEST_F(ApplyWorkerTest, FirstApplyAfterLoadingIsAFullDownloadThenOnlyChangesGo) {
    worker.setBaseline(record);
    EXPECT_THAT(applyAndWait(false), SizeIs(1 + 15 + 5 + 1));
    EXPECT_TRUE(listener.lastOutcome().full);
    EXPECT_EQ(listener.lastOutcome().sent, 22);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
    record.profiles[4].lightColor = 0x00112233;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "light 5", "polling 1"));
    EXPECT_THAT(applyAndWait(true), SizeIs(22));

    worker.setBaseline(record, false);  // the mouse is known to hold it already
    record.profiles[2].dpiLevel = 5;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 3", "polling 1"));
}

TEST_F(ApplyWorkerTest, NoLinkOrSleepingMouseDropsTheRequestButNotTheDifference) {
    worker.setBaseline(record);
    presence.mouseAsleep = 1;
    EXPECT_THAT(applyAndWait(false), IsEmpty());
    EXPECT_EQ(listener.lastSkip(), ApplySkipReason::mouseAsleep);
    presence.mouseAsleep = 0;
    EXPECT_THAT(applyAndWait(false), SizeIs(22));  // the full download is still due

    record.profiles[0].dpiValuesX[0] = 9;
    presence.cableState = kLinkRemoved;
    EXPECT_THAT(applyAndWait(false), IsEmpty());
    EXPECT_EQ(listener.lastSkip(), ApplySkipReason::noLink);
    presence.receiverState = kLinkPresent;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, FailedReportsStayOwedUntilTheyReachTheMouse) {
    record.profiles[1].buttons[3].functionCode = kMacroFunctionCode;
    worker.setBaseline(record);
    bool failing = true;  // the worker reads it only while a request runs
    writer.answerWith([&failing](const FeatureReport& report, std::stop_token) {
        const bool refused = (report.type == ReportType::dpi && report.bytes[2] == 3) || report.type == ReportType::macro ||
                             (report.type == ReportType::polling && report.bytes[2] == 4);
        return !(failing && refused);
    });
    applyAndWait(false);
    EXPECT_EQ(listener.lastOutcome().failed, 3);
    EXPECT_EQ(listener.lastOutcome().sent, 23 - 3);

    // Nothing changed since, yet the failed sections go again (a macro brings every button report).
    const std::vector<std::string> owed{"select 1", "dpi 3",     "polling 4", "macro 1",   "buttons 1",
                                        "buttons 2", "buttons 3", "buttons 4", "buttons 5", "polling 1"};
    EXPECT_EQ(applyAndWait(false), owed);
    failing = false;
    EXPECT_EQ(applyAndWait(false), owed);
    EXPECT_EQ(listener.lastOutcome().failed, 0);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, RequestsWaitTheirTurnEachWithTheRecordAsItWasWhenAsked) {
    worker.setBaseline(record, false);
    std::latch writing(1), release(1);
    writer.answerWith([&](const FeatureReport&, std::stop_token) {
        writing.count_down();
        release.wait();
        return true;
    });
    record.profiles[0].dpiColors[0] = 0x000000AA;
    worker.requestApply(false, record);
    writing.wait();  // the first apply is under way
    record.profiles[0].dpiColors[0] = 0x000000BB;
    worker.requestApply(false, record);
    worker.requestApply(false, record);
    release.count_down();
    ASSERT_TRUE(listener.waitForEnded(3));

    const auto reports = writer.take();
    std::vector<std::string> names;
    for (const auto& report : reports) names.push_back(test::describe(report));
    EXPECT_THAT(names, ElementsAre("select 1", "dpi 1", "polling 1", "select 1", "dpi 1", "polling 1", "select 1", "polling 1"));
    EXPECT_EQ(reports[1].bytes[25], 0xAA);
    EXPECT_EQ(reports[4].bytes[25], 0xBB);
}

TEST_F(ApplyWorkerTest, StopCutsThePauseShortAndCountsWhatWasNotSent) {
    worker.setBaseline(record);
    std::latch writing(1);
    writer.answerWith([&](const FeatureReport&, std::stop_token stop) {
        writing.count_down();
        pauseInterruptibly(std::chrono::minutes(10), stop);
        return true;
    });
    worker.requestApply(true, record);
    worker.requestApply(true, record);  // dropped by the quit
    writing.wait();
    const auto before = std::chrono::steady_clock::now();
    worker.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_TRUE(listener.lastOutcome().interrupted);
    EXPECT_EQ(listener.lastOutcome().sent, 1);
    EXPECT_EQ(listener.lastOutcome().failed, 21);
    EXPECT_THAT(writer.take(), SizeIs(1));
}

TEST(DeviceLinkPause, CableWritesAreSpacedByTheRealHundredMilliseconds) {
    test::FakeDrivers::instance().reset("receiver", "cable");
    test::FakeBinder binder;
    binder.files = {{"hiddriver_1.so", 0}, {"hiddriver_2.so", 1}};
    test::RecordingEvents events;
    DeviceConfig record{};
    DeviceLink link(record, events, binder);
    link.start({nullptr, nullptr});
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(link.writeReport(buildProfileSelectReport(record), {}).written);
    EXPECT_TRUE(link.writeReport(buildProfileSelectReport(record), {}).written);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace qx4
