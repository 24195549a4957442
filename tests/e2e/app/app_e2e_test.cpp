// qx4-config --simulate against qx4-virtual-mouse on a desktop with a tray, as a user runs it: a
// second start, the mouse's DPI button, unplugging its links, the profile following the
// application in front, and the end of the program; and on a desktop without a tray. The desktop
// is an X display of its own, or, in the suite's Wayland part (QT_QPA_PLATFORM=wayland under a
// compositor of the test's own), a session bus with a tray host and a notification service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QStandardPaths>

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/desktop_session.h"
#include "tests/support/process_memory.h"
#include "tests/support/program.h"
#include "tests/support/qx4ctl_process.h"
#include "tests/support/x_other_window.h"

// GCC names AddressSanitizer with a macro, clang as a feature.
#if defined(__has_feature)
#define QX4_CLANG_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define QX4_CLANG_ADDRESS_SANITIZER 0
#endif

namespace qx4::test {
namespace {

// Libraries a Widgets program that paints in software has no use for: Qt Designer's plug-ins,
// Qt Quick and QML, a GL driver with its shader compiler, and Qt Network with Kerberos behind it.
// The GL dispatch libraries Qt's GUI library links (libEGL.so.1, libGLX, libOpenGL) do nothing
// until a driver is loaded. The process's mapped files among them.
std::set<std::string> unneededLibrariesMappedBy(qint64 pid) {
    static const char* const unneeded[] = {"/designer/", "Quick", "Qml", "_dri.so", "libEGL_", "libGLX_", "libLLVM",
                                           "libwayland-egl", "wayland-graphics-integration", "Network", "krb5"};
    std::set<std::string> found;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);) {
        const auto path = line.find('/');
        for (const char* part : unneeded) {
            if (path != std::string::npos && line.find(part, path) != std::string::npos) found.insert(line.substr(path));
        }
    }
    return found;
}

// The profiles (1-5) the mouse was told to select, in order.
std::vector<int> profileSelects(const VirtualMouse& mouse) {
    std::vector<int> selects;
    for (const LogEntry& entry : mouse.log()) {
        if (entry.bytes.size() >= 3 && entry.bytes[0] == 0x0c) selects.push_back(entry.bytes[2]);
    }
    return selects;
}

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
    VirtualMouse mouse({.cable = true, .runtimeFolder = {}});
    Program first({"--simulate", "--tray"});
    ASSERT_TRUE(first.waitFor("connection changed: connected")) << first.output();
    EXPECT_EQ(first.output().find("main window shown"), std::string::npos) << "an argument starts it in the tray";

    Program second({"--simulate"});
    EXPECT_EQ(second.exitCode(false), 1) << second.output();
    EXPECT_TRUE(first.waitFor("main window shown")) << first.output();
    EXPECT_EQ(unneededLibrariesMappedBy(first.pid()), std::set<std::string>()) << "mapped, yet of no use";

    mouse.command("dpi");
    ASSERT_TRUE(first.waitFor("popup: \"1600 DPI\"")) << first.output();
    ASSERT_TRUE(first.waitFor("record saved")) << first.output();
    EXPECT_EQ(savedRecord()->active().dpiLevel, 3) << "the mouse's switch is saved";
    if (services_) {
        // Where the compositor places windows, the desktop's notification shows the switch.
        EXPECT_TRUE(services_->trayItem()) << first.output();
        const std::vector<std::string> shown = services_->shown(1);
        ASSERT_EQ(shown.size(), 1u) << first.output();
        EXPECT_EQ(shown[0], "notify 1 0 2000 KESTRA QX4: 1600 DPI transient");
        EXPECT_EQ(first.output().find("in a window"), std::string::npos) << first.output();
    }

    mouse.command("cable unplug");
    mouse.command("receiver unplug");
    ASSERT_TRUE(first.waitFor("connection changed: no mouse")) << first.output();
    EXPECT_TRUE(first.waitFor("main window hidden")) << first.output();
    EXPECT_EQ(first.exitCode(true), 0) << first.output();
}

// The profile follows the application in front: two X clients of different classes are made
// active in turn, as a window manager does, by setting the root window's _NET_ACTIVE_WINDOW. And
// each page keeps what it built for its first showing; showing it again builds nothing more. The
// bound leaves room for the allocator's noise, not for a page's worth of pictures each time.
TEST_F(DesktopSession, WindowsInFrontSelectTheirProfilesOnceEachAndVisitingEveryPageTakesNoMoreMemory) {
    std::ofstream(data_.path() / "rules.conf") << "app qx4-game = 3\napp Qx4Editor = 2\n";
    ScopedEnv english("LC_ALL", std::string("C.UTF-8"));
    VirtualMouse mouse({.cable = true, .runtimeFolder = {}});  // the cable's faster pace for the first download
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("main window shown")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    OtherWindow game("qx4-game", "Qx4Game");
    OtherWindow editor("qx4-editor", "Qx4Editor");
    const std::size_t atStart = profileSelects(mouse).size();

    // Last, Alt+Tab through both: only the last one is sent.
    const std::pair<std::vector<OtherWindow*>, const char*> switches[] = {
        {{&game}, "follow: profile 3 for qx4-game"},
        {{&editor}, "follow: profile 2 for qx4-editor"},
        {{&game, &editor, &game}, "follow: profile 3 for qx4-game"}};
    for (const auto& [activated, said] : switches) {
        for (OtherWindow* client : activated) client->activate();
        ASSERT_TRUE(program.waitFor(said)) << program.output();
        ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    }
    const std::vector<int> selects = profileSelects(mouse);
    EXPECT_EQ(std::vector<int>(selects.begin() + static_cast<std::ptrdiff_t>(atStart), selects.end()),
              (std::vector<int>{3, 2, 3}));
    EXPECT_EQ(mouse.stateValue("active profile"), "3");

    // Under a sanitizer memory is not the program's own: its shadow memory and quarantine grow with
    // every allocation, and its leak checks stand in.
#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__) && !QX4_CLANG_ADDRESS_SANITIZER
    const std::string window = shownWindowOf(program.pid());
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(clickEveryTab(window, 100));
    ASSERT_TRUE(program.waitFor("page built: wireless_macro_tab")) << "every page is built once its tab is clicked";
    const MemoryUse afterFirstVisit = memoryOf(program.pid());
    for (int visit = 2; visit <= 10; ++visit) ASSERT_TRUE(clickEveryTab(window, 100));
    const MemoryUse afterMoreVisits = memoryOf(program.pid());
    EXPECT_LT(afterMoreVisits.residentMb - afterFirstVisit.residentMb, 1.0)
        << afterFirstVisit.residentMb << " MB after the first visit, " << afterMoreVisits.residentMb << " after ten";
#endif
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
// too, however the program is ended.
TEST_F(DesktopSession, EveryEndingSavesASwitchTheMouseReportedJustBefore) {
    for (const int signal : {SIGHUP, SIGTERM, 0}) {  // 0: the X server dies, where there is one
        if (signal == 0 && !desktop_) continue;
        SCOPED_TRACE(signal == 0 ? std::string("the X server dies") : "signal " + std::to_string(signal));
        TempFolder data;
        ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
        VirtualMouse mouse;
        Program program({"--simulate"});
        ASSERT_TRUE(program.waitFor("connection changed: connected")) << program.output();
        mouse.command("dpi");
        ASSERT_TRUE(program.waitFor("popup: \"1600 DPI\"")) << program.output();
        if (signal == 0) {
            desktop_->end();
        } else {
            program.signal(signal);
        }
        EXPECT_NE(program.exitCode(false), -1) << "it ends, neither hung nor killed\n" << program.output();
        EXPECT_EQ(savedRecord()->active().dpiLevel, 3) << program.output();
    }
}

// On a session bus of its own with a stand-in notification service, without a display: the desktop's
// ReportFocus selects a profile, and the BatteryLevel property moves with the battery, which falls
// to 20 %, hovers there, falls to 10 % and charges. Exactly two notifications reach the service.
TEST(FollowFocus, TheDesktopsReportSelectsAndTheBatteryIsAPropertyThatMovesAndWarnsTwice) {
    SessionServices services;
    if (!services.ready() || QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty()) {
        GTEST_SKIP() << "no dbus-daemon or gdbus";
    }
    TempFolder data;
    ScopedEnv dataEnv("QX4_DATA_DIR", data.path().string());
    ScopedEnv logEnv("QT_LOGGING_RULES", std::string("qx4.app.debug=true"));
    std::ofstream(data.path() / "rules.conf") << "app org.example.Game = 4\n";
    ScopedEnv platformEnv("QT_QPA_PLATFORM", std::string("offscreen"));
    ScopedEnv noDisplay("DISPLAY", std::nullopt);
    VirtualMouse mouse({.cable = true, .battery = 10, .runtimeFolder = {}});
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("D-Bus service offered")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();

    EXPECT_EQ(SessionServices::gdbus({"call", "--method", "io.github.qx4config.Qx4Config1.ReportFocus", "org.example.Game"}),
              "()");
    ASSERT_TRUE(program.waitFor("follow: profile 4 for org.example.Game")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    EXPECT_EQ(mouse.stateValue("active profile"), "4");
    EXPECT_EQ(SessionServices::property("ActiveProfile"), "(<4>,)");

    // Without the cable the mouse is taken as asleep until it says otherwise.
    mouse.command("cable unplug");
    ASSERT_TRUE(program.waitFor("tray: Receiver: asleep")) << program.output();
    mouse.command("wake");
    ASSERT_TRUE(program.waitFor("tray: Receiver: battery 100%")) << program.output();
    EXPECT_EQ(SessionServices::property("BatteryLevel"), "(<100>,)");
    for (const int level : {3, 2, 3, 2, 1}) {
        mouse.command("battery " + std::to_string(level));
        const std::string shown = "tray: Receiver: battery " + std::to_string(level * 10) + "%";
        ASSERT_TRUE(program.waitFor(shown)) << program.output();
    }
    EXPECT_EQ(SessionServices::property("BatteryLevel"), "(<10>,)");
    mouse.command("cable plug");
    ASSERT_TRUE(program.waitFor("tray: Cable: charging, battery 10%")) << program.output();

    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    const std::vector<std::string> shown = services.shown(2);
    ASSERT_EQ(shown.size(), 2u) << program.output();
    EXPECT_THAT(shown[0], ::testing::StartsWith("notify 1 1 -1 Mouse battery low: "));
    EXPECT_THAT(shown[0], ::testing::HasSubstr("20%"));
    EXPECT_THAT(shown[1], ::testing::StartsWith("notify 1 2 -1 ")) << "replaces the first, urgent";
    EXPECT_THAT(shown[1], ::testing::HasSubstr("10%"));
}

}  // namespace
}  // namespace qx4::test
