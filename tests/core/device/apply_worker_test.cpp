#include "core/device/apply_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "core/device/device_link.h"
#include "tests/support/device_fakes.h"

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

// The UI thread keeps editing the record, plugging and unplugging the cable and reporting sleep
// while the worker applies through the real DeviceLink. Under ThreadSanitizer (the tsan preset)
// any access the two threads share without a copy or an atomic fails this test.
TEST(ApplyRace, WorkerAndUiThreadShareOnlyCopiesAndAtomics) {
    auto& drivers = test::FakeDrivers::instance();
    drivers.reset("receiver", "cable");
    test::FakeBinder binder;
    binder.files = {{"hiddriver_1.so", 0}, {"hiddriver_2.so", 1}};
    DeviceConfig record{};
    applyDefaults(record);
    test::RecordingObserver observer;
    DeviceLink link(record, observer, binder, [](auto, auto) {});
    test::WaitableListener listener;
    ApplyWorker worker(link, link.presence(), listener);
    link.start({nullptr, nullptr});
    worker.setBaseline(record);

    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        ProfileSettings& profile = record.profiles[static_cast<std::size_t>(round % kProfileCount)];
        profile.dpiColors[static_cast<std::size_t>(round % kDpiLevelCount)] = static_cast<StoredColor>(round * 2654435761u);
        profile.buttons[static_cast<std::size_t>(round % kButtonCount)].functionCode =
            round % 3 == 0 ? kMacroFunctionCode : static_cast<std::uint8_t>(round % 90);
        worker.requestApply(round % 11 == 0, record);
        switch (round % 5) {
        case 0: link.onArrivalMessage(Link::cable, 0); break;
        case 1: link.onArrivalMessage(Link::cable, 1); break;
        case 2: link.completeArrival(Link::cable); break;
        case 3: link.handleNotification(kNotifySleepStatus, 0x0800); break;
        case 4: link.handleNotification(kNotifySleepStatus, 0x0801); break;
        }
        observer.take();
    }
    // Cable in, mouse awake, one last edit: the last apply must carry it.
    link.onArrivalMessage(Link::cable, 1);
    link.completeArrival(Link::cable);
    record.profiles[0].dpiColors[0] = 0x00ABCDEF;
    worker.requestApply(false, record);
    ASSERT_TRUE(listener.waitForEnded(kRounds + 1));
    link.closeLinks();
    worker.stop();
    link.releaseLibraries();

    const auto& reports = drivers.libraries[1].reports;
    const auto lastDpi = std::find_if(reports.rbegin(), reports.rend(), [](const auto& r) { return r[0] == 0x04 && r[2] == 1; });
    ASSERT_NE(lastDpi, reports.rend());
    EXPECT_EQ(std::vector<std::uint8_t>(lastDpi->begin() + 25, lastDpi->begin() + 28), (std::vector<std::uint8_t>{0xEF, 0xCD, 0xAB}));
}

}  // namespace
}  // namespace qx4
