// Saves killed at random moments: the data files are always one whole version or the other, and
// the next opening of the data folder leaves no temporary file. The saving process is
// qx4_crash_saver (crash_saver.cpp).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "tests/support/test_files.h"
#include "core/config/config_file.h"

extern char** environ;

namespace qx4 {
namespace {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kRounds = 100;  // a sanitizer's start-up costs a round several times over
#else
constexpr int kRounds = 300;
#endif
constexpr std::uint8_t kOlder = 0x5A;
constexpr std::uint8_t kNewer = 0xA5;

// A running qx4_crash_saver, about to save.
class Saver {
public:
    Saver() {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        char* const arguments[] = {const_cast<char*>(QX4_CRASH_SAVER), nullptr};
        if (posix_spawn(&pid_, QX4_CRASH_SAVER, &actions, nullptr, arguments, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        char saving = 0;
        started_ = pid_ > 0 && read(pipeEnds[0], &saving, 1) == 1;
        close(pipeEnds[0]);
    }
    ~Saver() { kill(); }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    bool started() const { return started_; }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool started_ = false;
};

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
    auto record = std::make_unique<DeviceConfig>();
    std::mt19937 random(8675309);
    int killedMidSave = 0;
    int newerSeen = 0;
    for (int round = 0; round < kRounds; ++round) {
        Saver saver;
        ASSERT_TRUE(saver.started()) << "the saver did not start";
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        saver.kill();

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
