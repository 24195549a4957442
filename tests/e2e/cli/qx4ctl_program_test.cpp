// qx4ctl while qx4-config runs against a private qx4-virtual-mouse: every step goes to the program,
// which sends it as its pages would, and what it saved is what the mouse got and what stays on disk.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "core/instance/instance_lock.h"
#include "tests/support/patience.h"
#include "tests/support/program.h"
#include "tests/support/qx4ctl_process.h"
#include "tests/support/test_files.h"

namespace qx4::test {
namespace {

TEST(Qx4ctlWithTheProgram, AScriptedProfileIsSentAsThePagesSendItAndTheProgramKeepsIt) {
    TempFolder data{"qx4-e2e-data"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    ScopedEnv logEnv{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    VirtualMouse mouse({.receiver = false, .cable = true, .runtimeFolder = {}});

    Program program({"--simulate", "--tray"});
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    Reports expected = readHexLines("full_download_defaults.hex");
    for (const auto& step : kProfileScript) {
        const Ran run = runQx4ctl(step);
        ASSERT_EQ(run.exitCode, 0) << step[0] << ": " << run.err;
        const Reports sent = readHexGroup("profile_script.hex", scriptTitle(step));
        expected = joined(expected, sent);
        EXPECT_THAT(run.out, ::testing::HasSubstr("Sent to the mouse: " + std::to_string(sent.size()) + " reports."));
    }
    EXPECT_EQ(heard(mouse, expected.size()), expected);

    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    EXPECT_EQ(savedRecord()->profiles[1].buttons[4].functionCode, 69) << "the program's own save at its end keeps what qx4ctl changed";
}

// Whatever qx4ctl takes on the data files, the program takes, and the other way round: every
// command, in folders and with arguments whose names are no UTF-8, gives the same exit code, the
// same lines and the same data files with the program as without it.
TEST(Qx4ctlWithTheProgram, EveryCommandIsTakenAsItIsWithoutTheProgram) {
    TempFolder data{"qx4-e2e-data-\xE4"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    TempFolder runtime{"qx4-e2e-runtime"};
    ScopedEnv runtimeEnv{"QX4_RUNTIME_DIR", runtime.path().string()};
    ScopedEnv logEnv{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    TempFolder work{"qx4-e2e-work-\xE4"};

    std::string manyModifiers;
    for (int i = 0; i < 1000; ++i) manyModifiers += "Ctrl+";
    std::vector<std::vector<std::string>> commands{
        {"dpi", "2", "800"},
        {"dpi", "--current", "4"},
        {"dpi", "--color", "2", "#112233"},
        {"rate", "--profile", "3", "250"},
        {"light", "wave", "--speed", "2", "--direction", "backward"},
        {"profile", "2", "--simulate"},
        {"macro", "add", "K\xE4se"},
        {"macro", "steps", "K\xE4se", "A down 0, B down 20, A up 0, B up"},
        {"bind", "3", "macro:K\xE4se", "--loops", "4"},
        {"bind", "4", manyModifiers + "C"},
        {"bind", "5", "Ctrl+Shift+C"},
        {"macro", "export", "K\xE4se", "k\xE4se.macro"},
        {"macro", "import", "k\xE4se.macro"},
        {"macro", "rename", "K\xE4se", "Br\xF6t"},
        {"export", "--profile", "2", "zwei \xE4.pro"},
        {"import", "--profile", "4", "zwei \xE4.pro"},
        {"macro", "delete", "K\xE4se_1"},
        {"macro", "delete", "nobody"},
        {"show"},
        {"reset"},
        {"rules", "add", "steam_app_730", "2"},
        {"rules", "add", std::string(4097, 'g'), "3"},
        {"rules", "add", std::string(131000, 'g'), "3"},
        {"rules", "list"},
    };
    ASSERT_EQ(runQx4ctl({"init"}, work.path()).exitCode, 0);
    const auto folder = data.path() / "Data" / "ms_1";
    const auto configAtStart = readBytes(folder / "Config_1.data");

    std::vector<std::string> seventy{"rules", "list"};
    seventy.resize(70, "x");
    commands.push_back(seventy);
    std::vector<Ran> alone;
    for (const auto& command : commands) alone.push_back(runQx4ctl(command, work.path()));
    const auto configAlone = readBytes(folder / "Config_1.data");
    const auto macrosAlone = readBytes(folder / "macro.data");
    const auto rulesAlone = readBytes(data.path() / "rules.conf");
    std::filesystem::remove(data.path() / "rules.conf");

    writeBytes(folder / "Config_1.data", configAtStart);
    std::filesystem::remove(folder / "macro.data");
    Program program({"--simulate", "--tray"});
    ASSERT_TRUE(program.waitFor("apply skipped")) << program.output();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i][0] + " " + std::to_string(i));
        const Ran handed = runQx4ctl(commands[i], work.path());
        EXPECT_EQ(handed.exitCode, alone[i].exitCode) << handed.err;
        EXPECT_EQ(handed.out, alone[i].out);
        EXPECT_EQ(handed.err, alone[i].err);
    }
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    EXPECT_EQ(readBytes(folder / "Config_1.data"), configAlone);
    EXPECT_EQ(readBytes(folder / "macro.data"), macrosAlone);
    EXPECT_EQ(readBytes(data.path() / "rules.conf"), rulesAlone);
}

// Whether process `pid` waits in the kernel for the lock on `file`, as /proc/locks lists it.
bool waitsForLock(pid_t pid, const std::filesystem::path& file) {
    struct stat node {};
    if (::stat(file.c_str(), &node) != 0) return false;
    const std::string suffix = ":" + std::to_string(node.st_ino);
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, arrow, kind, advisory, mode, holder, device;
        fields >> number >> arrow >> kind >> advisory >> mode >> holder >> device;
        if (arrow == "->" && holder == std::to_string(pid) && device.ends_with(suffix)) return true;
    }
    return false;
}

// A program that starts while qx4ctl writes the data files waits for it and reads them whole; once
// it runs, copies of qx4ctl queue for it and none is refused or lost.
TEST(Qx4ctlWithTheProgram, AStartWaitsForAWriterAndParallelWritersLoseNothing) {
    TempFolder data{"qx4-e2e-data"};
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    TempFolder runtime{"qx4-e2e-runtime"};
    ScopedEnv runtimeEnv{"QX4_RUNTIME_DIR", runtime.path().string()};
    ASSERT_EQ(runQx4ctl({"macro", "add", "First"}).exitCode, 0);
    const auto macroFile = data.path() / "Data" / "ms_1" / "macro.data";
    const auto oneMacro = readBytes(macroFile);
    std::filesystem::remove(macroFile);

    std::optional<Program> program;
    {
        const DataFilesLock writing(runtime.path(), DataFilesLock::Mode::exclusive);
        program.emplace(std::vector<std::string>{"--simulate", "--tray"});
        const auto backstop = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
        while (!waitsForLock(program->pid(), runtime.path() / "KESTRA QX4.data.lock")) {
            ASSERT_LT(std::chrono::steady_clock::now(), backstop) << "the program read the files without waiting";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        writeBytes(macroFile, oneMacro);
    }

    constexpr int kWriters = 160;
    const Ran crowd = run({"sh", "-c", "seq " + std::to_string(kWriters) + " | xargs -P16 -I{} sh -c '" QX4_BIN_DIR
                                                  "/qx4ctl macro add M{} >/dev/null 2>&1 || echo failed'"});
    EXPECT_EQ(crowd.out, "");
    const Ran listed = runQx4ctl({"macros", "--names"});
    EXPECT_EQ(std::ranges::count(listed.out, '\n'), kWriters + 1) << listed.err;
    EXPECT_TRUE(listed.out.starts_with("First\n")) << listed.out;
    EXPECT_EQ(program->exitCode(true), 0) << program->output();
}

}  // namespace
}  // namespace qx4::test
