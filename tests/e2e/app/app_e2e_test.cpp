// qx4-config --simulate against qx4-virtual-mouse on a desktop with a tray, as a user runs it: a
// second start, the mouse's DPI button, unplugging its links, and the end of the program; and on a
// desktop without a tray. The desktop is an X display of its own, or, in the suite's Wayland part
// (QT_QPA_PLATFORM=wayland under a compositor of the test's own), a session bus with a tray host
// and a notification service.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <random>

#include "core/config/config_file.h"
#include "tests/e2e/app/process_memory.h"
#include "tests/support/desktop_session.h"
#include "tests/support/program.h"

namespace qx4::test {
namespace {

bool onWayland() { return qgetenv("QT_QPA_PLATFORM") == "wayland"; }

// A desktop of its own with a tray, as a desktop session offers, and a data folder.
class DesktopSession : public testing::Test {
protected:
    void SetUp() override { startDesktop(true); }
    void startDesktop(bool withTray) {
        if (onWayland()) {
            services_.emplace(withTray);
            ASSERT_TRUE(services_->ready());
            return;
        }
        if (!XServer::installed()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        desktop_.emplace(withTray);
        ASSERT_TRUE(desktop_->ready());
    }

    std::int32_t storedDpiLevel() const {
        auto record = std::make_unique<DeviceConfig>();
        readConfig(*record, 0);
        return record->profiles[record->activeProfile].dpiLevel;
    }

    TempFolder data_;
    ScopedEnv dataEnv_{"QX4_DATA_DIR", data_.path().string()};
    ScopedEnv platformEnv_{"QT_QPA_PLATFORM", std::string(onWayland() ? "wayland" : "xcb")};
    ScopedEnv logEnv_{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};
    std::optional<XDesktop> desktop_;
    std::optional<SessionServices> services_;
};

class DesktopWithoutTray : public DesktopSession {
protected:
    void SetUp() override { startDesktop(false); }
};

// A session bus that takes connections and never says a word.
class SilentSessionBus {
public:
    SilentSessionBus() {
        const std::string path = (folder_.path() / "bus").string();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path.c_str());
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        listen(fd_, 16);
        env_.emplace("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);
    }
    ~SilentSessionBus() { close(fd_); }
    SilentSessionBus(const SilentSessionBus&) = delete;
    SilentSessionBus& operator=(const SilentSessionBus&) = delete;

private:
    TempFolder folder_;
    int fd_ = -1;
    std::optional<ScopedEnv> env_;
};

// Files relative to whatever folder the program was started in would be lost and found at random.
TEST(Start, WithoutAnAbsoluteDataFolderTheProgramRefusesAndSaysWhy) {
    TempFolder workingFolder{"qx4-e2e-cwd"};
    TempFolder runtime{"qx4-e2e-runtime"};
    ScopedEnv runtimeEnv{"QX4_RUNTIME_DIR", runtime.path().string()};
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(workingFolder.path());
    const std::pair<std::optional<std::string>, std::optional<std::string>> environments[] = {
        {"Data", "/home/ann"}, {std::nullopt, std::nullopt}, {std::nullopt, "home/ann"}};
    for (const auto& [dataDir, home] : environments) {
        ScopedEnv dataEnv{"QX4_DATA_DIR", dataDir};
        ScopedEnv dataHomeEnv{"XDG_DATA_HOME", std::nullopt};
        ScopedEnv homeEnv{"HOME", home};
        Program program({"--simulate"});
        EXPECT_EQ(program.exitCode(false), 2) << program.output();
        EXPECT_NE(program.output().find(dataDir ? "QX4_DATA_DIR" : "HOME"), std::string::npos) << program.output();
    }
    std::filesystem::current_path(before);
    EXPECT_TRUE(std::filesystem::is_empty(workingFolder.path()));
}

TEST_F(DesktopSession, ASecondStartExitsAndShowsTheFirstTheDpiButtonPopsUpAndNoLinkHidesTheWindow) {
    VirtualMouse::Options bothLinks;
    bothLinks.cable = true;
    VirtualMouse mouse(bothLinks);
    Program first({"--simulate", "--tray"});
    ASSERT_TRUE(first.waitFor("connection changed: connected")) << first.output();
    EXPECT_EQ(first.output().find("main window shown"), std::string::npos) << "an argument starts it in the tray";

    Program second({"--simulate"});
    EXPECT_EQ(second.exitCode(false), 1) << second.output();
    EXPECT_TRUE(first.waitFor("main window shown")) << first.output();
    EXPECT_EQ(unneededLibrariesMappedBy(first.pid()), "") << "the program maps libraries it does not use";

    mouse.command("dpi");
    ASSERT_TRUE(first.waitFor("popup: \"1600 DPI\"")) << first.output();
    ASSERT_TRUE(first.waitFor("record saved")) << first.output();
    EXPECT_EQ(storedDpiLevel(), 3) << "the mouse's switch is saved";
    if (services_) {
        // Where the compositor places windows, the desktop's notification shows the switch.
        EXPECT_TRUE(services_->trayItem()) << first.output();
        const QList<QByteArray> shown = services_->shown(1);
        ASSERT_EQ(shown.size(), 1) << first.output();
        EXPECT_EQ(shown[0], "notify 1 0 2000 KESTRA QX4: 1600 DPI transient");
        EXPECT_EQ(first.output().find("in a window"), std::string::npos) << first.output();
    }

    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    ASSERT_TRUE(first.waitFor("connection changed: no mouse")) << first.output();
    EXPECT_TRUE(first.waitFor("main window hidden")) << first.output();
    EXPECT_EQ(first.exitCode(true), 0) << first.output();
}

// Each page keeps what it built for its first showing; showing it again builds nothing more. The
// bound leaves room for the allocator's noise, not for a page's worth of pictures each time.
TEST_F(DesktopSession, VisitingEveryPageAgainTakesNoMoreMemoryThanTheFirstVisit) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // Their shadow memory and quarantine grow with every allocation; their leak checks stand in.
    GTEST_SKIP() << "memory is not the program's own under a sanitizer";
#endif
    ScopedEnv english("LC_ALL", std::string("C.UTF-8"));
    VirtualMouse::Options onCable;  // the faster pace of the cable for the first download
    onCable.cable = true;
    VirtualMouse mouse(onCable);
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("main window shown")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    const QString window = shownWindowOf(program.pid());
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(clickEveryTab(window, 100));
    const MemoryUse afterFirstVisit = memoryOf(program.pid());
    for (int visit = 2; visit <= 5; ++visit) ASSERT_TRUE(clickEveryTab(window, 100));
    const MemoryUse afterMoreVisits = memoryOf(program.pid());
    EXPECT_LT(afterMoreVisits.residentMb - afterFirstVisit.residentMb, 1.0)
        << afterFirstVisit.residentMb << " MB after the first visit, " << afterMoreVisits.residentMb << " after five";
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
}

// Without a tray the window is the program: it shows even when started for the tray, and says how
// to get a tray icon at the first start, not at every one. An X tray that comes later takes the
// window when the mouse goes.
TEST_F(DesktopWithoutTray, TheWindowShowsEvenForTheTrayAndSaysOnceHowToGetATray) {
    VirtualMouse mouse;
    for (const bool firstStart : {true, false}) {
        SCOPED_TRACE(firstStart ? "first start" : "second start");
        Program program({"--simulate", "--tray"});
        ASSERT_TRUE(program.waitFor("main window shown")) << program.output();
        // Said before the message loop runs, so before any news of the mouse.
        ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();
        EXPECT_EQ(program.output().find("told: how to get a tray") != std::string::npos, firstStart)
            << program.output();
        if (!firstStart && desktop_) {
            ASSERT_TRUE(desktop_->startTray());
            mouse.command("receiver unplug");
            ASSERT_TRUE(program.waitFor("connection changed: no mouse")) << program.output();
            EXPECT_TRUE(program.waitFor("main window hidden")) << program.output();
        }
        EXPECT_EQ(program.exitCode(true), 0) << program.output();
    }
}

// The mouse's switch is saved a moment after it is reported; an end within that moment saves it
// too, however the program is ended, and a session bus that never answers neither holds up the
// start nor stops SIGTERM.
TEST_F(DesktopSession, EveryEndingSavesASwitchTheMouseReportedJustBefore) {
    struct Ending {
        const char* name;
        bool silentBus;
        std::function<void(Program&)> end;
    };
    const std::vector<Ending> endings{
        {"SIGHUP", false, [](Program& program) { program.signal(SIGHUP); }},
        {"SIGTERM, on a session bus that never answers", true, [](Program& program) { program.signal(SIGTERM); }},
        {"the X server dies", false, [this](Program&) { desktop_->end(); }},
    };
    for (const Ending& ending : endings) {
        if (!desktop_ && ending.name == endings.back().name) continue;  // an X server only
        SCOPED_TRACE(ending.name);
        TempFolder data;
        ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
        std::optional<SilentSessionBus> bus;
        if (ending.silentBus) bus.emplace();
        VirtualMouse mouse;
        Program program({"--simulate"});
        ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();
        mouse.command("dpi");
        ASSERT_TRUE(program.waitFor("popup: \"1600 DPI\"")) << program.output();
        ending.end(program);
        EXPECT_NE(program.exitCode(false), -1) << "it ends, neither hung nor killed\n" << program.output();
        EXPECT_EQ(storedDpiLevel(), 3) << program.output();
    }
}

// Thousands of random plugs, unplugs and notifications while the program runs and qx4ctl applies
// beside it: afterwards the program is alive, answers a second start, agrees with the mouse about
// the links, and its data file loads.
TEST_F(DesktopSession, AHotPlugStormLeavesTheProgramAliveAndInStepWithTheMouse) {
    VirtualMouse::Options bothLinks;
    bothLinks.cable = true;
    VirtualMouse mouse(bothLinks);
    Program program({"--simulate", "--tray"});
    ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();

    const std::vector<std::string> commands{
        "cable plug", "cable unplug", "receiver plug", "receiver unplug", "dpi",     "profile",
        "sleep",      "wake",         "battery 3",     "battery 10",      "rate 4", "light 9",
        "notify 0x8000 7",  // a profile the mouse does not have
    };
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, commands.size() - 1);
    std::vector<std::unique_ptr<QProcess>> applies;
    for (int i = 0; i < 3000; ++i) {
        mouse.command(commands[pick(random)]);
        if (i % 500 == 0) {
            auto apply = std::make_unique<QProcess>();
            apply->start(QStringLiteral(QX4_BIN_DIR "/qx4ctl"), {"apply", "--simulate"});
            applies.push_back(std::move(apply));
        }
    }
    for (const auto& apply : applies) {
        ASSERT_TRUE(apply->waitForFinished(30000)) << "qx4ctl apply hung; seed " << seed;
        EXPECT_LE(apply->exitCode(), 1) << apply->readAll().toStdString();
    }

    // A known end: both links gone, and once the program has worked through the storm, the
    // receiver back.
    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    ASSERT_TRUE(program.skipUntilQuiet(1500)) << "the program never settled; seed " << seed;
    mouse.command("receiver plug");
    ASSERT_TRUE(program.waitFor("connection changed: connected")) << "seed " << seed << "\n" << program.output();
    EXPECT_EQ(mouse.stateValue("receiver"), "plugged");

    Program second({"--simulate"});
    EXPECT_EQ(second.exitCode(false), 1) << second.output();
    EXPECT_TRUE(program.waitFor("main window shown")) << program.output();
    EXPECT_EQ(program.exitCode(true), 0) << "seed " << seed;

    auto record = std::make_unique<DeviceConfig>();
    const ConfigLoadResult loaded = readConfig(*record, 0);
    EXPECT_FALSE(loaded.damaged || loaded.unreadable || loaded.rangeRepaired) << "seed " << seed;
}

}  // namespace
}  // namespace qx4::test
