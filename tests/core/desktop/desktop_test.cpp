// The desktop around the program. Start at login through the XDG autostart folders: the entry
// starts the program hidden, switching off leaves nothing behind, and a system-wide entry is
// overruled for this user only. The mouse on USB but closed to this user, on a made-up sysfs and
// /dev: it is never taken for no mouse, and the command to fix it names the rule where this
// program finds it. Which profile the application in front selects: the rules file, read back as
// written and set aside when damaged, and the engine, step by step with a clock the test moves.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/desktop/autostart.h"
#include "core/desktop/install_layout.h"
#include "core/device/device_access.h"
#include "core/instance/instance_listener.h"
#include "core/instance/instance_lock.h"
#include "core/rules/follow_engine.h"
#include "tests/support/test_files.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TempFolder;
using test::writeText;

// The desktop's own checker, where it is installed (scripts/setup installs it).
int desktopFileValidate(const fs::path& entry) {
    return std::system(("desktop-file-validate '" + entry.string() + "' >&2").c_str());
}

class Autostart : public testing::Test {
protected:
    TempFolder root_;
    AutostartFolders folders_{root_.path() / "home/autostart",
                              {root_.path() / "etc/xdg/autostart", root_.path() / "usr/etc/xdg/autostart"}};
    fs::path userEntry_ = folders_.user / kAutostartFileName;
};

TEST_F(Autostart, OnWritesAnEntryThatStartsTheProgramHiddenOffLeavesNothingAndAHugeOneStartsNothing) {
    EXPECT_FALSE(autostartState(folders_).enabled);
    const fs::path program = root_.path() / "my apps/$HOME/qx4-config";
    ASSERT_EQ(setAutostart(true, folders_, program), "");
    const std::string entry = readText(userEntry_);
    EXPECT_NE(entry.find("\nExec=\"" + root_.path().string() + "/my apps/\\\\$HOME/qx4-config\" --tray\n"), std::string::npos)
        << entry;
    EXPECT_EQ(entry.find("Hidden"), std::string::npos);
    EXPECT_EQ(desktopFileValidate(userEntry_), 0) << entry;
    EXPECT_TRUE(autostartState(folders_).enabled);
    EXPECT_EQ(autostartState(folders_).decidingEntry, userEntry_);

    ASSERT_EQ(setAutostart(false, folders_, program), "");
    EXPECT_FALSE(fs::exists(userEntry_));
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_EQ(setAutostart(false, folders_, program), "") << "off twice is still off";

    // A user's own entry switched off by a desktop's settings counts as off.
    writeText(userEntry_, "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    // Only the keys of the entry's own group count.
    for (const char* elsewhere : {"Hidden=true\n[Desktop Entry]\nExec=qx4-config\n",
                                  "[Desktop Entry]\nExec=qx4-config\n[Desktop Action Off]\nHidden=true\n"}) {
        writeText(userEntry_, elsewhere);
        EXPECT_TRUE(autostartState(folders_).enabled) << elsewhere;
    }
    EXPECT_NE(setAutostart(true, folders_, "/opt/qx4\nExec=rm -rf ~"), "") << "no line break into the entry";
    EXPECT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);

    // The entry is read in a bounded piece: a huge one, even a single line without end, is no
    // entry this program or a package wrote, and starts nothing.
    const std::string start = "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\n";
    writeText(userEntry_, start + "Comment=" + std::string(1 << 20, 'x') + "\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    writeText(userEntry_, start);
    fs::resize_file(userEntry_, 3ull << 30);  // a hole of 3 GB of zeros: no line ends in it
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);
}

TEST_F(Autostart, ASystemWideEntryIsOverruledWithHiddenAndComesBackWhenSwitchedOnAgain) {
    writeText(folders_.system[1] / kAutostartFileName, "[Desktop Entry]\nType=Application\nExec=qx4-config --tray\n");
    AutostartState state = autostartState(folders_);
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.systemWide);
    EXPECT_EQ(state.decidingEntry, folders_.system[1] / kAutostartFileName);

    ASSERT_EQ(setAutostart(false, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_NE(readText(userEntry_).find("\nHidden=true\n"), std::string::npos);
    EXPECT_EQ(desktopFileValidate(userEntry_), 0);
    EXPECT_FALSE(autostartState(folders_).enabled);
    EXPECT_TRUE(fs::exists(folders_.system[1] / kAutostartFileName)) << "the package's file is not ours to touch";

    ASSERT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_FALSE(fs::exists(userEntry_)) << "the system-wide entry starts it again";
    EXPECT_TRUE(autostartState(folders_).enabled);

    // The first folder of XDG_CONFIG_DIRS wins, and a Hidden entry there starts nothing.
    writeText(folders_.system[0] / kAutostartFileName, "[Desktop Entry]\nType=Application\nExec=qx4-config\nHidden=true\n");
    EXPECT_FALSE(autostartState(folders_).enabled);
    ASSERT_EQ(setAutostart(true, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_TRUE(autostartState(folders_).enabled);
    ASSERT_EQ(setAutostart(false, folders_, "/usr/bin/qx4-config"), "");
    EXPECT_FALSE(fs::exists(userEntry_));
}

// Without an absolute home the entry would be written into whatever folder the program runs in.
TEST(AutostartFolder, NeedsAnAbsoluteHome) {
    TempFolder workingFolder;
    const fs::path before = fs::current_path();
    fs::current_path(workingFolder.path());
    for (const std::optional<std::string>& home : {std::optional<std::string>{}, std::optional<std::string>{"ann"}}) {
        const test::ScopedEnv configHome("XDG_CONFIG_HOME", std::nullopt);
        const test::ScopedEnv homeEnv("HOME", home);
        const AutostartFolders folders = autostartFolders();
        EXPECT_EQ(folders.user, fs::path());
        EXPECT_NE(setAutostart(true, folders, "/usr/bin/qx4-config"), "");
        EXPECT_FALSE(autostartState(folders).enabled);
    }
    fs::current_path(before);
    EXPECT_TRUE(fs::is_empty(workingFolder.path()));
}

using State = DeviceAccess::State;

struct MadeUpSystem {
    MadeUpSystem() {
        const fs::path r = root.path();
        system = {r / "sys", r / "dev", r / "run", r / "etc", r / "usr", r / "lib",
                  [this](const fs::path& node) {
                      const auto refusal = refusals.find(node.filename());
                      return refusal == refusals.end() ? 0 : refusal->second;
                  }};
        fs::create_directories(system.sys / "class/hidraw");
        writeText(system.run / "udev/control", "");
    }
    void usbDevice(const std::string& name, const std::string& vendor, const std::string& product) {
        writeText(system.sys / "bus/usb/devices" / name / "idVendor", vendor + "\n");
        writeText(system.sys / "bus/usb/devices" / name / "idProduct", product + "\n");
    }
    // A hidraw node of a HID device; with `inDev` false, /dev lacks the node.
    void hidraw(const std::string& name, const std::string& hidId, bool inDev = true) {
        writeText(system.sys / "class/hidraw" / name / "uevent", "MAJOR=247\nMINOR=0\nDEVNAME=" + name + "\n");
        writeText(system.sys / "class/hidraw" / name / "device/uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=x\n");
        if (inDev) writeText(system.dev / name, "");
    }

    TempFolder root;
    SystemFolders system;
    std::map<fs::path, int> refusals;  // node name, errno of its access check
};

constexpr const char* kReceiverHid = "0003:00001D57:0000FA66";
constexpr const char* kCableHid = "0003:00001D57:0000FA65";

TEST(DeviceAccess, AMouseOnUsbThatThisUserMayNotOpenIsSaidSoWithTheCommandThatFixesIt) {
    MadeUpSystem machine;
    machine.usbDevice("1-4", "046d", "c52b");
    machine.hidraw("hidraw0", "0003:0000046D:0000C52B");
    machine.hidraw("hidraw1", "0005:00001D57:0000FA66");  // the same ids over Bluetooth are not the mouse
    machine.hidraw("hidraw5", std::string(kReceiverHid) + ".0001");  // nor an id with more after it
    machine.hidraw("hidraw6", "");                                     // nor a device without one
    machine.hidraw("hidraw7", "0003:00001D57:0000FA60");  // nor the maker's other devices
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noMouse);

    machine.usbDevice("1-2", "1d57", "fa66");
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noNode) << "on USB, not yet a hidraw node";
    machine.hidraw("hidraw2", kReceiverHid, false);
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noNode) << "a container without the node";

    machine.hidraw("hidraw3", kReceiverHid);
    machine.hidraw("hidraw4", kCableHid);
    machine.refusals = {{"hidraw3", EIO}, {"hidraw4", ENOENT}};
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::noNode) << "failing, or gone since it was listed: not closed";
    machine.refusals = {{"hidraw3", EACCES}, {"hidraw4", EPERM}};
    const DeviceAccess closed = checkDeviceAccess(machine.system);
    EXPECT_EQ(closed.state, State::notPermitted);
    EXPECT_EQ(closed.blockedNodes.size(), 2u);
    const std::string text = accessProblemText(closed, accessFix(closed, machine.root.path() / "bin", machine.system));
    EXPECT_NE(text.find("The mouse is connected, but this user may not open it"), std::string::npos) << text;
    EXPECT_NE(text.find("hidraw3"), std::string::npos) << text;
    EXPECT_EQ(text.find("No mouse"), std::string::npos) << text;

    machine.refusals = {{"hidraw4", EACCES}};
    EXPECT_EQ(checkDeviceAccess(machine.system).state, State::notPermitted) << "the cable's node is closed";
    machine.refusals = {};
    const DeviceAccess open = checkDeviceAccess(machine.system);
    EXPECT_EQ(open.state, State::open);
    EXPECT_EQ(accessProblemText(open, accessFix(open, machine.root.path() / "bin", machine.system)), "");

    // The command to fix it installs the rule found beside the program, or applies one udev already reads.
    machine.refusals = {{"hidraw3", EACCES}};
    const DeviceAccess access = checkDeviceAccess(machine.system);
    const std::string apply = "sudo udevadm control --reload && sudo udevadm trigger --subsystem-match=hidraw";

    // Installed under a prefix with a blank in it: the rule beside the program, quoted.
    const fs::path prefix = machine.root.path() / "my prefix";
    writeText(prefix / "lib/udev/rules.d" / kUdevRuleFileName, "rule\n");
    AccessFix fix = accessFix(access, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::installRule);
    EXPECT_EQ(fix.command, "sudo install -m 644 '" + (prefix / "lib/udev/rules.d" / kUdevRuleFileName).string() +
                               "' /etc/udev/rules.d/ && " + apply);

    // Run from the build folder: the rule in the source tree it was built from.
    fix = accessFix(access, machine.root.path() / "build/bin", machine.system);
    ASSERT_TRUE(fix.rule);
    EXPECT_EQ(fix.rule->filename(), kUdevRuleFileName);
    EXPECT_TRUE(fs::exists(*fix.rule));
    EXPECT_NE(fix.command.find(fix.rule->string()), std::string::npos) << fix.command;

    // Where udev reads it already (a package installs to /usr/lib/udev/rules.d), it only needs applying.
    writeText(machine.system.usr / "lib/udev/rules.d" / kUdevRuleFileName, "rule\n");
    fix = accessFix(access, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::applyRule);
    EXPECT_EQ(fix.command, apply);

    // Without udev a rule changes nothing: the text says what does.
    fs::remove(machine.system.run / "udev/control");
    const DeviceAccess withoutUdev = checkDeviceAccess(machine.system);
    fix = accessFix(withoutUdev, prefix / "bin", machine.system);
    EXPECT_EQ(fix.kind, AccessFix::Kind::noUdev);
    EXPECT_EQ(fix.command, "");
    const std::string noUdevText = accessProblemText(withoutUdev, fix);
    EXPECT_NE(noUdevText.find("no udev"), std::string::npos) << noUdevText;
    EXPECT_NE(noUdevText.find("--simulate"), std::string::npos) << noUdevText;
}

// The instance lock says "a program runs" exactly while one holds it, to anyone who looks.
TEST(InstanceLockTest, IsHeldElsewhereExactlyWhileAProgramHoldsIt) {
    const TempFolder runtime;
    const InstanceLock looker(runtime.path());
    EXPECT_FALSE(looker.heldElsewhere()) << "no program yet";
    {
        InstanceLock program(runtime.path());
        ASSERT_EQ(program.acquire(), InstanceLock::Result::acquired);
        EXPECT_TRUE(looker.heldElsewhere());
        InstanceLock second(runtime.path());
        EXPECT_EQ(second.acquire(), InstanceLock::Result::alreadyRunning);
        EXPECT_TRUE(looker.heldElsewhere()) << "a second start that found it taken takes nothing away";
    }
    EXPECT_FALSE(looker.heldElsewhere()) << "released with its holder";
}

// A second start finds the program before it listens (no socket yet, or a dead copy's): it waits
// its patience out for it, and reaches it once it listens.
TEST(InstanceLockTest, ASecondStartWaitsForAHolderThatIsNotListeningYet) {
    const TempFolder runtime;
    InstanceLock program(runtime.path());
    ASSERT_EQ(program.acquire(), InstanceLock::Result::acquired);
    const InstanceLock second(runtime.path());
    const int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    program.socketPath().string().copy(address.sun_path, sizeof(address.sun_path) - 1);
    constexpr std::chrono::milliseconds patience(150);
    const auto waitsItsPatienceOut = [&] {
        const auto began = std::chrono::steady_clock::now();
        EXPECT_EQ(second.connectToHolder(patience), -1);
        EXPECT_GE(std::chrono::steady_clock::now() - began, patience);
    };
    waitsItsPatienceOut();
    ASSERT_EQ(bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    waitsItsPatienceOut();
    ASSERT_EQ(listen(server, 1), 0);
    const int client = second.connectToHolder(patience);
    EXPECT_GE(client, 0);
    close(client);
    close(server);
}

// A socket's address holds a path of 107 bytes and its end; a longer one is refused by name.
TEST(InstanceListenerTest, ASocketPathPastTheAddressIsRefusedByName) {
    const TempFolder runtime;
    const std::string folder = runtime.path().string() + "/";
    for (const std::size_t length : {107u, 108u}) {
        const InstanceListener listener(folder + std::string(length - folder.size(), 's'));
        EXPECT_EQ(listener.listening(), length == 107) << listener.error();
        EXPECT_EQ(listener.error().ends_with("is too long"), length == 108) << listener.error();
    }
}

// Only this user's programs are heard, even should the socket file's mode let others connect.
TEST(InstanceListenerTest, AConnectionFromAnotherUserIsTurnedAway) {
    if (geteuid() != 0) GTEST_SKIP() << "connecting as another user needs root";
    const TempFolder runtime;
    chmod(runtime.path().c_str(), 0755);
    const fs::path path = runtime.path() / "socket";
    InstanceListener listener(path);
    ASSERT_TRUE(listener.listening());
    chmod(path.c_str(), 0666);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path.string().copy(address.sun_path, sizeof(address.sun_path) - 1);
    const auto connectAs = [&address](uid_t user) {
        const pid_t child = fork();
        if (child == 0) {
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            const bool dropped = setgid(user) == 0 && setuid(user) == 0;
            _exit(dropped && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    ASSERT_TRUE(connectAs(65534)) << "the kernel queues the connection";
    EXPECT_EQ(listener.acceptOne().kind, InstanceListener::Accepted::Kind::noneWaiting);
    ASSERT_TRUE(connectAs(0));
    const InstanceListener::Accepted own = listener.acceptOne();
    EXPECT_EQ(own.kind, InstanceListener::Accepted::Kind::client);
    close(own.fd);
}

// Read as a person writes them, written as read; a damaged file holds no rule and names its first bad line.
TEST(FocusRules, ReadsWhatAPersonWritesWritesWhatItReadsAndNamesTheFirstLineThatIsNotARule) {
    const FocusRules rules = parseRules("# mine\n\n  follow = off\r\ndefault=3\napp steam_app_730 = 2\n"
                                        "app\tMy Game (x64) = 5\napp STEAM_APP_730 = 4\n").rules;
    EXPECT_EQ(rules, (FocusRules{false, 2, {{"steam_app_730", 3}, {"My Game (x64)", 4}}}))
        << "a later line for the same application, in any case, changes the first";
    EXPECT_EQ(parseRules(formatRules(rules)).rules, rules);

    const std::pair<const char*, int> damaged[] = {
        {"follow = yes\n", 1}, {"default = 6\n", 1}, {"default = 0\n", 1}, {"app = 2\n", 1},
        {"follow = on\napp steam 2\n", 2}, {"follow = on\nsteam = 2\n", 2}, {"app steam = 12\n", 1},
        {"\x7f" "ELF\x02\x01\n", 1},
    };
    for (const auto& [text, badLine] : damaged) {
        const RulesParse parse = parseRules(text);
        EXPECT_EQ(parse.badLine, badLine) << text;
        EXPECT_EQ(parse.rules, FocusRules{}) << text;
    }
}

TEST(FocusRules, ADamagedFileIsKeptAsideAndTheRecordLeftAlone) {
    test::ScopedDataDir data;
    const std::filesystem::path file = rulesFilePath();
    EXPECT_EQ(file, data.root() / "rules.conf");
    const std::filesystem::path record = data.folder() / "Config_1.data";
    test::writeBytes(record, {1, 2, 3});
    test::writeText(file, "app steam = 2\nthis is not a rule\n");

    const RulesLoad load = loadRules(file);
    EXPECT_EQ(load.rules, FocusRules{});
    EXPECT_NE(load.problem.find("line 2"), std::string::npos) << load.problem;
    EXPECT_EQ(test::readText(load.keptCopy), "app steam = 2\nthis is not a rule\n");
    EXPECT_EQ(test::readBytes(record), (std::vector<std::uint8_t>{1, 2, 3}));

    EXPECT_EQ(saveRules(FocusRules{true, std::nullopt, {{"steam", 1}}}, file), "");
    EXPECT_EQ(loadRules(file).rules.rules.size(), 1U);
    EXPECT_EQ(loadRules(file).problem, "");
    EXPECT_TRUE(std::filesystem::exists(load.keptCopy)) << "a save keeps the damaged copy";

    std::filesystem::resize_file(file, 17u << 20);  // sparse: no rules file is this large
    const RulesLoad huge = loadRules(file);
    EXPECT_NE(huge.problem.find("larger than"), std::string::npos) << huge.problem;
    EXPECT_FALSE(huge.replaceable) << "what it holds was never read";
}

// A file is replaced only when what it held can be read back from somewhere: from itself (any size
// qx4ctl could have written, with or without a byte-order mark) or from a whole copy beside it.
TEST(FocusRules, WhatAFileHoldsIsNeverLostToASave) {
    test::ScopedDataDir data;
    const std::filesystem::path file = rulesFilePath();
    const std::filesystem::path copy = data.root() / "rules.conf.damaged";
    FocusRules many;
    for (int k = 0; many.rules.size() < 200; ++k) many.set(std::string(1500, 'a') + std::to_string(k), k % 5);
    ASSERT_EQ(saveRules(many, file), "");
    ASSERT_GT(std::filesystem::file_size(file), 256U * 1024);
    EXPECT_EQ(loadRules(file).rules, many);
    EXPECT_EQ(loadRules(file).problem, "");

    test::writeText(file, "\xEF\xBB\xBF" "follow = off\napp steam = 2\n");
    EXPECT_EQ(loadRules(file).rules, (FocusRules{false, std::nullopt, {{"steam", 1}}}));
    EXPECT_EQ(loadRules(file).problem, "");

    const std::string damaged = "app steam = 2\n" + std::string(300 * 1024, '#') + "\nnot a rule\n";
    const FocusRules mine{true, std::nullopt, {{"mine", 0}}};
    for (const char* keeper : {"folder", "link to /dev/zero"}) {
        SCOPED_TRACE(keeper);
        test::writeText(file, damaged);
        std::filesystem::remove_all(copy);
        if (std::string_view(keeper) == "folder") {
            std::filesystem::create_directory(copy);
        } else {
            std::filesystem::create_symlink("/dev/zero", copy);
        }
        const RulesLoad load = loadRules(file);
        EXPECT_NE(load.problem.find("could not be kept"), std::string::npos) << load.problem;
        EXPECT_NE(saveRules(mine, file), "");
        EXPECT_EQ(test::readText(file), damaged);
    }
    std::filesystem::remove_all(copy);
    EXPECT_EQ(saveRules(mine, file), "");
    EXPECT_EQ(test::readText(copy), damaged) << "kept whole before it was replaced";
    EXPECT_EQ(loadRules(file).rules, mine);
}

using Kind = FollowEngine::Decision::Kind;
using std::chrono::milliseconds;

struct FollowStep {
    enum class What { focus, hand, settle } what;
    int ms = 0;                // when, from the start
    std::vector<std::string> app{};  // focus: the application's names
    int active = 0;            // settle: the active profile (0-based)
    bool applying = false;     // settle: an apply runs
    Kind expected = Kind::nothing;
    int profile = 0;           // expected select, 1-based as the user counts
};

FollowStep focus(int ms, std::vector<std::string> app) { return {FollowStep::What::focus, ms, std::move(app)}; }
FollowStep hand() { return {FollowStep::What::hand}; }
FollowStep settle(int ms, int active, Kind expected, int profile = 0, bool applying = false) {
    return {FollowStep::What::settle, ms, {}, active - 1, applying, expected, profile};
}

const std::vector<std::string> game{"steam_app_730", "steam_app_730", "cs2"};
const std::vector<std::string> browser{"Navigator", "firefox", "firefox-bin"};
const std::vector<std::string> terminal{"xterm", "XTerm", "xterm"};

struct FollowCase {
    const char* name;
    FocusRules rules;
    std::vector<FollowStep> steps;
};

FocusRules gameAndBrowser(std::optional<int> defaultProfile = std::nullopt, bool follow = true) {
    return {follow, defaultProfile, {{"steam_app_730", 1}, {"FIREFOX-BIN", 2}}};
}

TEST(FollowEngine, SelectsOnceForTheApplicationThatStaysInFront) {
    const std::vector<FollowCase> cases{
        {"a focus change switches, once it has rested", gameAndBrowser(),
         {focus(0, game), settle(100, 1, Kind::askAgainAt), settle(300, 1, Kind::select, 2)}},
        {"the program file name matches, whatever the case", gameAndBrowser(),
         {focus(0, browser), settle(300, 1, Kind::select, 3)}},
        {"nothing for the profile already active", gameAndBrowser(), {focus(0, game), settle(300, 2, Kind::nothing)}},
        {"a flurry selects for the last application only", gameAndBrowser(),
         {focus(0, game), focus(100, browser), focus(200, terminal), focus(250, game),
          settle(300, 1, Kind::askAgainAt), settle(550, 1, Kind::select, 2), settle(900, 2, Kind::nothing)}},
        {"a select due during an apply is made after it", gameAndBrowser(),
         {focus(0, game), settle(300, 1, Kind::askAgainAfterApply, 0, true), settle(800, 1, Kind::select, 2)}},
        {"a hold ends with the next application followed", gameAndBrowser(),
         {focus(0, game), settle(300, 1, Kind::select, 2), hand(), focus(1000, browser), settle(1300, 4, Kind::select, 3),
          focus(2000, browser), settle(2300, 5, Kind::select, 3)}},
        {"a choice by hand holds while the application stays in front", gameAndBrowser(),
         {focus(0, game), settle(300, 1, Kind::select, 2), hand(), focus(1000, game), settle(1300, 4, Kind::nothing),
          focus(2000, browser), settle(2300, 4, Kind::select, 3), focus(3000, game), settle(3300, 3, Kind::select, 2)}},
        {"a choice by hand while the focus rests is made for the application in front", gameAndBrowser(),
         {focus(0, game), hand(), settle(300, 4, Kind::nothing), focus(400, game), settle(700, 4, Kind::nothing)}},
        {"an application without a rule keeps the profile", gameAndBrowser(),
         {focus(0, terminal), settle(300, 2, Kind::nothing)}},
        {"or takes the default", gameAndBrowser(4), {focus(0, terminal), settle(300, 2, Kind::select, 5)}},
        {"switched off, nothing follows", gameAndBrowser(4, false), {focus(0, game), settle(300, 1, Kind::nothing)}},
    };
    for (const FollowCase& c : cases) {
        SCOPED_TRACE(c.name);
        FollowEngine engine;
        engine.setRules(c.rules);
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            const FollowStep& step = c.steps[i];
            const FollowEngine::Clock::time_point when{milliseconds(step.ms)};
            if (step.what == FollowStep::What::focus) {
                EXPECT_EQ(engine.focusReported(step.app, when), when + FollowEngine::kRest);
            } else if (step.what == FollowStep::What::hand) {
                engine.choseByHand();
            } else {
                const FollowEngine::Decision decision = engine.settle(when, {step.active, step.applying});
                EXPECT_EQ(decision.kind, step.expected);
                if (step.expected == Kind::select) {
                    EXPECT_EQ(decision.profile + 1, step.profile);
                }
            }
        }
    }

    // The applications seen, latest first, each once.
    FollowEngine engine;
    for (const auto& app : {game, browser, game, terminal}) engine.focusReported(app, {});
    EXPECT_EQ(engine.recentApps(), (std::vector<std::string>{"xterm", "steam_app_730", "Navigator"}));
}

}  // namespace
}  // namespace qx4
