// Saves killed at random moments: the file is always one whole version or the other, and the next
// opening of the data folder leaves no temporary file. Both data files share one way of saving.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

#include "core/config/config_file.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

// A child process that saves records filled with `first` and `second` in turn until it is
// killed; it returns once the child has begun.
pid_t startSaving(std::uint8_t first, std::uint8_t second) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        auto config = test::newRecord(false);
        if (write(ready[1], "s", 1) != 1) _exit(1);
        for (std::uint8_t fill = first;; fill = fill == first ? second : first) {
            std::memset(config.get(), fill, sizeof(DeviceConfig));
            if (!saveConfig(*config)) _exit(1);
        }
    }
    close(ready[1]);
    char saving = 0;
    const bool started = child > 0 && read(ready[0], &saving, 1) == 1;
    close(ready[0]);
    return started ? child : -1;
}

TEST(CrashSafeSave, AKilledSaveLeavesTheOldOrTheNewFileWholeAndTheNextOpenNoTemporary) {
    test::ScopedDataDir data;
    const auto configFile = data.folder() / "Config_1.data";
    test::writeBytes(configFile, std::vector<std::uint8_t>(sizeof(DeviceConfig), 0x5A));
    auto record = test::newRecord(false);
    std::mt19937 random(8675309);
    int killedMidSave = 0;
    for (int round = 0; round < 150; ++round) {
        const pid_t saver = round % 2 ? startSaving(0x5A, 0xA5) : startSaving(0xA5, 0x5A);
        ASSERT_GT(saver, 0) << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 10000));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);

        const auto bytes = test::readBytes(configFile);
        ASSERT_EQ(bytes.size(), sizeof(DeviceConfig)) << "round " << round;
        ASSERT_TRUE(std::ranges::all_of(bytes, [&](std::uint8_t b) { return b == bytes[0]; })) << "round " << round << ": torn";
        killedMidSave += !test::temporariesIn(data.folder()).empty();
        loadConfig(*record, 0);
        ASSERT_EQ(test::temporariesIn(data.folder()), std::vector<std::string>{}) << "round " << round;
    }
    EXPECT_GT(killedMidSave, 0) << "no kill landed between creating a temporary file and renaming it";
}

}  // namespace
}  // namespace qx4
