#include "core/device/apply_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "apply_test_support.h"
#include "core/config/config_file.h"

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
        return writer.take();
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
    EXPECT_TRUE(listener.last().outcome.full);
    EXPECT_EQ(listener.last().outcome.sent, 22);
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
    EXPECT_EQ(listener.last().skip, ApplySkipReason::mouseAsleep);
    presence.mouseAsleep = 0;
    EXPECT_THAT(applyAndWait(false), SizeIs(22));  // the full download is still due

    record.profiles[0].dpiValuesX[0] = 9;
    presence.cableState = kLinkRemoved;
    EXPECT_THAT(applyAndWait(false), IsEmpty());
    EXPECT_EQ(listener.last().skip, ApplySkipReason::noLink);
    presence.receiverState = kLinkPresent;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, FailedReportsStayOwedUntilTheyReachTheMouse) {
    record.profiles[1].buttons[3].functionCode = kMacroFunctionCode;
    worker.setBaseline(record);
    bool failing = true;  // the worker reads it only while a request runs
    writer.answerWith([&failing](const FeatureReport& report) {
        const bool refused = (report.type == ReportType::dpi && report.bytes[2] == 3) || report.type == ReportType::macro ||
                             (report.type == ReportType::polling && report.bytes[2] == 4);
        return !(failing && refused);
    });
    applyAndWait(false);
    EXPECT_EQ(listener.last().outcome.failed, 3);
    EXPECT_EQ(listener.last().outcome.sent, 23 - 3);

    // Nothing changed since, yet the failed sections go again (a macro brings every button report).
    const std::vector<std::string> owed{"select 1", "dpi 3",     "polling 4", "macro 1",   "buttons 1",
                                        "buttons 2", "buttons 3", "buttons 4", "buttons 5", "polling 1"};
    EXPECT_EQ(applyAndWait(false), owed);
    failing = false;
    EXPECT_EQ(applyAndWait(false), owed);
    EXPECT_EQ(listener.last().outcome.failed, 0);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
}

}  // namespace
}  // namespace qx4
