// Saves killed at random moments: the data files are always one whole version or the other, and
// the next opening of the data folder leaves no temporary file.
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
#include "core/macro/macro_store.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

constexpr std::uint8_t kOlder = 0x5A;
constexpr std::uint8_t kNewer = 0xA5;

// Every byte of one version is 0x5A, of the other 0xA5, so a torn file shows.
struct Version {
    Version(std::uint8_t fill, std::size_t macroCount) {
        std::memset(config.get(), fill, sizeof(DeviceConfig));
        MacroRecord record;
        std::memset(&record, fill, sizeof(record));
        for (std::size_t i = 0; i < macroCount; ++i) macros.append(record);
    }
    bool save() const { return saveConfig(*config) && saveMacros(macros); }

    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    MacroList macros;
};

// A child process that saves the two versions in turn, `first` first, until it is killed; it
// returns once the child has begun.
pid_t startSaving(const Version& first, const Version& second) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        if (write(ready[1], "s", 1) != 1) _exit(1);
        for (;;) {
            if (!first.save() || !second.save()) _exit(1);
        }
    }
    close(ready[1]);
    char saving = 0;
    const bool started = child > 0 && read(ready[0], &saving, 1) == 1;
    close(ready[0]);
    return started ? child : -1;
}

// The version the bytes are, whole; 0 for anything else.
std::uint8_t wholeVersion(const std::vector<std::uint8_t>& bytes, std::size_t olderSize, std::size_t newerSize) {
    if (bytes.empty() || std::any_of(bytes.begin(), bytes.end(), [&](std::uint8_t b) { return b != bytes[0]; })) return 0;
    if (bytes[0] == kOlder && bytes.size() == olderSize) return kOlder;
    if (bytes[0] == kNewer && bytes.size() == newerSize) return kNewer;
    return 0;
}

TEST(CrashSafeSave, AKilledSaveLeavesTheOldOrTheNewFileWholeAndTheNextOpenNoTemporary) {
    test::ScopedDataDir data;
    const auto configFile = data.folder() / "Config_1.data";
    const auto macroFile = data.folder() / "macro.data";
    test::writeBytes(configFile, std::vector<std::uint8_t>(sizeof(DeviceConfig), kOlder));
    test::writeBytes(macroFile, std::vector<std::uint8_t>(3 * 240, kOlder));
    const Version older(kOlder, 3), newer(kNewer, 5);
    auto record = std::make_unique<DeviceConfig>();
    std::mt19937 random(8675309);
    constexpr int kRounds = 150;
    int killedMidSave = 0;
    int newerSeen = 0;
    for (int round = 0; round < kRounds; ++round) {
        const pid_t saver = round % 2 ? startSaving(older, newer) : startSaving(newer, older);
        ASSERT_GT(saver, 0) << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 10000));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);

        const std::uint8_t config = wholeVersion(test::readBytes(configFile), sizeof(DeviceConfig), sizeof(DeviceConfig));
        ASSERT_NE(config, 0) << "round " << round << ": Config_1.data is torn";
        ASSERT_NE(wholeVersion(test::readBytes(macroFile), 3 * 240, 5 * 240), 0) << "round " << round << ": macro.data is torn";
        newerSeen += config == kNewer;
        killedMidSave += !test::temporariesIn(data.folder()).empty();

        loadConfig(*record, 0);
        ASSERT_EQ(test::temporariesIn(data.folder()), std::vector<std::string>{}) << "round " << round;
    }
    EXPECT_GT(killedMidSave, 0) << "no kill landed between creating a temporary file and renaming it";
    EXPECT_GT(newerSeen, 0);
    EXPECT_LT(newerSeen, kRounds);
}

}  // namespace
}  // namespace qx4
