// The UI thread keeps editing the record, plugging and unplugging the cable and reporting sleep
// while the worker applies through the real DeviceLink. Under ThreadSanitizer (the tsan preset)
// any access the two threads share without a copy or an atomic fails this test.
#include <gtest/gtest.h>

#include <algorithm>

#include "apply_test_support.h"
#include "core/config/config_file.h"
#include "core/device/device_link.h"
#include "device_fakes.h"

namespace qx4 {
namespace {

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
