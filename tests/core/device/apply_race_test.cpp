// The UI thread keeps editing the record, plugging and unplugging the cable and reporting sleep
// while the worker applies through the real DeviceLink. Run under ThreadSanitizer (tsan preset),
// any unguarded access between the two threads fails this test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "core/device/apply_worker.h"
#include "core/device/device_link.h"
#include "fake_driver.h"
#include "recording_events.h"

namespace qx4 {
namespace {

using test::FakeBinder;
using test::FakeDriverLog;

TEST(ApplyRace, WorkerAndUiThreadShareOnlyCopiesAndAtomics) {
    FakeDriverLog::instance().reset();
    FakeBinder binder;
    binder.provide("hiddriver_1.so", 0, "receiver");
    binder.provide("hiddriver_2.so", 1, "cable");

    DeviceConfig record{};
    applyDefaults(record);
    test::RecordingEvents events;
    DeviceLink link(record, events, binder, [](std::chrono::milliseconds, std::stop_token) {});
    test::WaitableListener listener;
    ApplyWorker worker(link, link.presence(), listener);
    link.start({nullptr, nullptr});
    worker.setBaseline(record);

    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        ProfileSettings& profile = record.profiles[static_cast<std::size_t>(round % kProfileCount)];
        profile.dpiColors[round % kDpiLevelCount] = static_cast<StoredColor>(round * 2654435761u);
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
        events.take();
    }

    // Settle: cable in, mouse awake, one last distinctive edit.
    link.onArrivalMessage(Link::cable, 1);
    link.completeArrival(Link::cable);
    link.handleNotification(kNotifySleepStatus, 0x0901);
    record.profiles[0].dpiColors[0] = 0x00ABCDEF;
    worker.requestApply(false, record);
    ASSERT_FALSE(listener.waitForEnded(kRounds + 1).empty());

    link.closeLinks();
    worker.stop();
    link.releaseLibraries();

    // The last apply carried the last edit.
    std::lock_guard lock(FakeDriverLog::instance().mutex);
    const auto& cableReports = FakeDriverLog::instance().slots[1].reports;
    const auto lastDpi = std::find_if(cableReports.rbegin(), cableReports.rend(),
                                      [](const auto& r) { return r[0] == 0x04 && r[2] == 1; });
    ASSERT_NE(lastDpi, cableReports.rend());
    EXPECT_THAT(std::vector<std::uint8_t>(lastDpi->begin() + 25, lastDpi->begin() + 28),
                ::testing::ElementsAre(0xEF, 0xCD, 0xAB));
}

}  // namespace
}  // namespace qx4
