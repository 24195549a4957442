#include "core/device/apply_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "core/device/device_link.h"

namespace qx4 {
namespace {

using test::ScriptedWriter;
using test::WaitableListener;
using ::testing::ElementsAre;
using ::testing::SizeIs;
using Event = WaitableListener::Event;

// Holds writes until the test opens it, so requests can pile up behind a running apply.
class Gate {
public:
    void waitOpen() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
    }
    void waitUntilSomeoneWaits() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_ > 0; });
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int waiting_ = 0;
};

class ApplyWorkerTest : public ::testing::Test {
protected:
    ApplyWorkerTest() {
        applyDefaults(record);
        presence.cableState = kLinkPresent;
        presence.anyLinkPresent = 1;
        presence.mouseAsleep = 0;
    }

    // Runs one request to its end and returns the reports it wrote.
    std::vector<std::string> applyAndWait(bool full) {
        worker.requestApply(full, record);
        ++requests;
        EXPECT_THAT(listener.waitForEnded(requests), SizeIs(::testing::Ge(requests)));
        return writer.takeDescribed();
    }

    DeviceConfig record{};
    PresenceState presence;
    ScriptedWriter writer;
    WaitableListener listener;
    std::size_t requests = 0;
    ApplyWorker worker{writer, presence, listener};
};

TEST_F(ApplyWorkerTest, FirstApplyAfterLoadingIsAFullDownloadThenOnlyChangesGo) {
    worker.setBaseline(record);
    EXPECT_THAT(applyAndWait(false), SizeIs(1 + 15 + 5 + 1));
    EXPECT_TRUE(listener.lastOutcome().full);
    EXPECT_EQ(listener.lastOutcome().sent, 22);

    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
    EXPECT_FALSE(listener.lastOutcome().full);

    record.profiles[4].lightColor = 0x00112233;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "light 5", "polling 1"));

    EXPECT_THAT(applyAndWait(true), SizeIs(22));  // asked for in full
}

TEST_F(ApplyWorkerTest, NoLinkOrSleepingMouseDropsTheRequestButKeepsTheDifference) {
    worker.setBaseline(record);
    applyAndWait(false);

    record.profiles[0].dpiValuesX[0] = 9;
    presence.cableState = kLinkRemoved;
    presence.receiverState = kLinkNotSeen;
    EXPECT_THAT(applyAndWait(false), ::testing::IsEmpty());
    presence.receiverState = kLinkPresent;
    presence.mouseAsleep = 1;
    EXPECT_THAT(applyAndWait(false), ::testing::IsEmpty());

    const auto events = listener.waitForEnded(requests);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2].reason, ApplySkipReason::noLink);
    EXPECT_EQ(events.back().reason, ApplySkipReason::mouseAsleep);
    EXPECT_EQ(events.back().kind, Event::skipped);

    presence.mouseAsleep = 0;
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, SkippedFirstApplyLeavesTheFullDownloadDue) {
    worker.setBaseline(record);
    presence.mouseAsleep = 1;
    applyAndWait(false);
    presence.mouseAsleep = 0;
    EXPECT_THAT(applyAndWait(false), SizeIs(22));
}

TEST_F(ApplyWorkerTest, FailedReportsAreOwedUntilTheyReachTheMouse) {
    record.profiles[1].buttons[3].functionCode = kMacroFunctionCode;
    worker.setBaseline(record);
    bool failing = true;
    writer.answerWith([&failing](const FeatureReport& report, std::stop_token) {
        const bool failedOne = (report.type == ReportType::dpi && report.bytes[2] == 3) ||
                               report.type == ReportType::macro ||
                               (report.type == ReportType::polling && report.bytes[2] == 4);
        return !(failing && failedOne);
    });
    applyAndWait(false);
    const ApplyOutcome outcome = listener.lastOutcome();
    EXPECT_EQ(outcome.failed, 3);
    EXPECT_EQ(outcome.sent, 1 + 15 + 1 + 5 + 1 - 3);

    // Nothing changed since, but the failed sections go again, now with their neighbours.
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 3", "polling 4", "macro 1", "buttons 1",
                                                 "buttons 2", "buttons 3", "buttons 4", "buttons 5", "polling 1"));
    failing = false;  // safe: the worker is idle between requests
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "dpi 3", "polling 4", "macro 1", "buttons 1",
                                                 "buttons 2", "buttons 3", "buttons 4", "buttons 5", "polling 1"));
    EXPECT_EQ(listener.lastOutcome().failed, 0);
    EXPECT_THAT(applyAndWait(false), ElementsAre("select 1", "polling 1"));
}

TEST_F(ApplyWorkerTest, RequestsWaitTheirTurnEachWithTheRecordAsItWasWhenAsked) {
    worker.setBaseline(record);
    applyAndWait(false);

    Gate gate;
    writer.answerWith([&gate](const FeatureReport&, std::stop_token) {
        gate.waitOpen();
        return true;
    });
    record.profiles[0].dpiColors[0] = 0x000000AA;
    worker.requestApply(false, record);
    gate.waitUntilSomeoneWaits();  // the first apply is under way
    record.profiles[0].dpiColors[0] = 0x000000BB;
    worker.requestApply(false, record);
    worker.requestApply(false, record);
    gate.open();
    requests += 3;
    listener.waitForEnded(requests);

    const auto reports = writer.take();
    std::vector<std::string> names;
    for (const auto& report : reports) names.push_back(test::describe(report));
    EXPECT_THAT(names, ElementsAre("select 1", "dpi 1", "polling 1", "select 1", "dpi 1", "polling 1", "select 1",
                                   "polling 1"));
    EXPECT_EQ(reports[1].bytes[25], 0xAA);
    EXPECT_EQ(reports[4].bytes[25], 0xBB);
}

TEST_F(ApplyWorkerTest, StopCutsAPauseShortAndCountsTheUnsentReports) {
    worker.setBaseline(record);
    Gate firstWrite;
    writer.answerWith([&firstWrite](const FeatureReport&, std::stop_token stop) {
        firstWrite.open();
        pauseInterruptibly(std::chrono::minutes(10), stop);
        return true;
    });
    worker.requestApply(true, record);
    worker.requestApply(true, record);  // dropped by the quit
    firstWrite.waitOpen();

    const auto before = std::chrono::steady_clock::now();
    worker.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    const ApplyOutcome outcome = listener.lastOutcome();
    EXPECT_TRUE(outcome.interrupted);
    EXPECT_EQ(outcome.sent, 1);
    EXPECT_EQ(outcome.failed, 21);
    EXPECT_THAT(writer.take(), SizeIs(1));
    worker.stop();
}

TEST(WriterPause, DeviceLinkHonoursEachLinksPauseOnTheClock) {
    // The real pause: two reports over the cable take at least 2 x 100 ms.
    struct NoEvents final : DeviceEvents {
        void showSleepLabel(bool) override {}
        void showCharging(bool, bool) override {}
        void showBattery(int) override {}
        void highlightDpiLevel(int) override {}
        void selectProfileButton(int) override {}
        void refreshPages() override {}
        void saveRecord() override {}
        void postMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
        void startArrivalTimer(Link) override {}
        void cancelArrivalTimer(Link) override {}
    } events;
    struct AlwaysThere final : DriverBinder {
        static void setIds(int, int) {}
        static void openMonitor(const qx4_message_sink*, std::uint32_t, std::uint32_t) {}
        static void noArguments() {}
        static int succeed() { return 1; }
        static int write(const unsigned char*, int) { return 1; }
        bool bind(HidDriverLink& link, std::string_view) override {
            link = {nullptr, &setIds, &openMonitor, &noArguments, &succeed, &noArguments, &write, nullptr};
            return true;
        }
        void release(HidDriverLink& link) override { link = {}; }
    } binder;
    DeviceConfig record{};
    applyDefaults(record);
    DeviceLink link(record, events, binder);
    link.start({nullptr, nullptr});
    const FeatureReport report = buildProfileSelectReport(record);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(link.writeReport(report, {}).written);
    EXPECT_TRUE(link.writeReport(report, {}).written);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace qx4
