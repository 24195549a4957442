// qx4ctl apply, reports and status against a private qx4-virtual-mouse: what the mouse logs is
// what the encoder builds, in order, over the link that should carry it, at its pace.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "core/config/atomic_file.h"
#include "core/device/apply_plan.h"
#include "tests/support/virtual_mouse_process.h"

extern char** environ;

namespace qx4 {
namespace {

using test::LogEntry;
using test::VirtualMouse;
using ::testing::HasSubstr;

std::string readWhole(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// qx4ctl as a child process; its output goes to files so nothing has to be read while it runs.
class Qx4ctl {
public:
    Qx4ctl(const std::filesystem::path& folder, std::vector<std::string> arguments) : folder_(folder) {
        arguments.insert(arguments.begin(), std::string(QX4_BIN_DIR) + "/qx4ctl");
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (folder / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (folder / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        began_ = std::chrono::steady_clock::now();
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Qx4ctl() { finish(); }

    int finish() {
        if (pid_ > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            elapsed_ = std::chrono::steady_clock::now() - began_;
            pid_ = -1;
        }
        return exitCode_;
    }
    std::string out() const { return readWhole(folder_ / "out"); }
    std::string err() const { return readWhole(folder_ / "err"); }
    std::chrono::steady_clock::duration elapsed() const { return elapsed_; }

private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int exitCode_ = -1;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::duration elapsed_{};
};

std::vector<std::vector<std::uint8_t>> encoded(const DeviceConfig& record, const SectionFlags& flags) {
    std::vector<std::vector<std::uint8_t>> reports;
    for (const auto& planned : planApply(record, flags))
        reports.emplace_back(planned.report.view().begin(), planned.report.view().end());
    return reports;
}

std::vector<std::vector<std::uint8_t>> bytesOf(const std::vector<LogEntry>& log, const std::string& link) {
    std::vector<std::vector<std::uint8_t>> reports;
    for (const auto& entry : log) {
        EXPECT_EQ(entry.link, link);
        reports.push_back(entry.bytes);
    }
    return reports;
}

VirtualMouse::Options mouseWith(bool receiver, bool cable, bool asleep = false, int battery = 8) {
    VirtualMouse::Options options;
    options.receiver = receiver;
    options.cable = cable;
    options.asleep = asleep;
    options.battery = battery;
    return options;
}

class Qx4ctlDeviceTest : public ::testing::Test {
protected:
    Qx4ctlDeviceTest() {
        applyDefaults(*record);
        // Something of everything: macros across profiles, long delays, keystrokes, a second
        // active profile, double-range DPI.
        record->activeProfile = 1;
        ProfileSettings& second = record->profiles[1];
        second.dpiValuesX = {8, 16, 64, 90, 12, 3, 45, 0};
        second.dpiLevel = 3;
        second.lightMode = 1;
        second.pollingRateIndex = 0;
        for (auto [profile, button] : {std::pair{0, 3}, {1, 5}, {1, 11}, {4, 0}}) {
            ButtonBinding& binding = record->profiles[static_cast<std::size_t>(profile)].buttons[static_cast<std::size_t>(button)];
            binding.functionCode = kMacroFunctionCode;
            binding.macroLoopCount = 3;
            binding.macroActionCount = kMacroActionCapacity;
            for (std::size_t i = 0; i < kMacroActionCapacity; ++i)
                binding.macroActions[i] = {static_cast<std::uint8_t>(4 + i), static_cast<std::uint8_t>(1 + i % 2),
                                           static_cast<std::uint16_t>(i % 5 == 0 ? 1000 + button : 30)};
        }
        record->profiles[2].buttons[1].functionCode = kKeyboardFunctionCode;
        record->profiles[2].buttons[1].modifierMask = 3;
        record->profiles[2].buttons[1].keyCode = 0x1D;
        EXPECT_TRUE(saveConfig(*record));
    }

    test::TempFolder data{"qx4-e2e-data"};
    test::ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    test::TempFolder scratch{"qx4-e2e-run"};
    std::unique_ptr<DeviceConfig> record = std::make_unique<DeviceConfig>();
};

TEST_F(Qx4ctlDeviceTest, ApplyOverTheCableLogsTheFullDownloadAtTheCablesPace) {
    VirtualMouse mouse(mouseWith(false, true));
    Qx4ctl apply(scratch.path(), {"apply", "--simulate"});
    ASSERT_EQ(apply.finish(), 0) << apply.err();

    const auto expected = encoded(*record, SectionFlags::all());
    ASSERT_EQ(expected.size(), 1u + 15 + 4 + 5 + 1);
    ASSERT_TRUE(mouse.waitForReports(static_cast<int>(expected.size())));
    EXPECT_EQ(bytesOf(mouse.log(), "cable"), expected);
    // Every write that succeeded is followed by the cable's 100 ms.
    EXPECT_GE(apply.elapsed(), std::chrono::milliseconds(100) * expected.size());
    EXPECT_THAT(apply.out(), HasSubstr("Sent 26 of 26 reports"));

    // qx4ctl reports prints the same bytes without a mouse.
    Qx4ctl reports(scratch.path(), {"reports"});
    ASSERT_EQ(reports.finish(), 0) << reports.err();
    std::vector<std::vector<std::uint8_t>> printed;
    std::istringstream lines(reports.out());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::uint8_t> bytes;
        for (unsigned byte = 0; words >> std::hex >> byte;) bytes.push_back(static_cast<std::uint8_t>(byte));
        printed.push_back(bytes);
    }
    EXPECT_EQ(printed, expected);
}

TEST_F(Qx4ctlDeviceTest, ApplyAgainstAHeldConfigurationSendsOnlyTheDifference) {
    const auto held = scratch.path() / "held.data";
    ASSERT_TRUE(writeFileAtomically(held, recordBytes(*record)));
    record->profiles[1].dpiColors[2] = 0x00102030;
    ASSERT_TRUE(saveConfig(*record));

    VirtualMouse mouse(mouseWith(true, true));
    Qx4ctl apply(scratch.path(), {"apply", "--simulate", "--against", held.string()});
    ASSERT_EQ(apply.finish(), 0) << apply.err();
    SectionFlags flags;
    flags.mark(Section::dpi, 1);
    const auto expected = encoded(*record, flags);
    ASSERT_EQ(expected.size(), 3u);  // profile select, DPI of profile 2, report rate of profile 2
    ASSERT_TRUE(mouse.waitForReports(3));
    EXPECT_EQ(bytesOf(mouse.log(), "cable"), expected);
}

TEST_F(Qx4ctlDeviceTest, ApplyWithoutAMouseOrWhenItStopsAnsweringFails) {
    {
        VirtualMouse mouse(mouseWith(false, false));
        Qx4ctl apply(scratch.path(), {"apply", "--simulate"});
        EXPECT_EQ(apply.finish(), 1);
        EXPECT_THAT(apply.err(), HasSubstr("no mouse found on the receiver or the cable"));
    }
    {
        VirtualMouse mouse(mouseWith(false, true));
        Qx4ctl apply(scratch.path(), {"apply", "--simulate"});
        ASSERT_TRUE(mouse.waitForReports(3));
        mouse.command("cable unplug");
        EXPECT_EQ(apply.finish(), 1);
        EXPECT_THAT(apply.err(), HasSubstr("the mouse did not take"));
        EXPECT_THAT(apply.out(), HasSubstr("failed "));
    }
}

TEST_F(Qx4ctlDeviceTest, StatusNamesLinksSleepAndBattery) {
    VirtualMouse mouse(mouseWith(true, false, true, 6));
    Qx4ctl status(scratch.path(), {"status", "--simulate"});
    ASSERT_EQ(status.finish(), 0) << status.err();
    EXPECT_EQ(status.out(), "Receiver: present\nCable: not plugged in\nMouse: asleep\nBattery: 60%\n");

    Qx4ctl apply(scratch.path(), {"apply", "--simulate"});
    EXPECT_EQ(apply.finish(), 1);
    EXPECT_THAT(apply.err(), HasSubstr("the mouse is asleep"));
    EXPECT_TRUE(mouse.log().empty());
}

}  // namespace
}  // namespace qx4
