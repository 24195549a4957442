// The profile follows the application in front. Under Xvfb two X clients of different classes
// are made active in turn, as a window manager does, by setting the root window's
// _NET_ACTIVE_WINDOW; on a private session bus a desktop component's ReportFocus does the same,
// and the BatteryLevel property moves with the mouse's battery. The virtual mouse logs the selects.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/app/program.h"
#include "tests/e2e/app/x_desktop.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4::test {
namespace {

// The profiles (1-5) the mouse was told to select, in order.
std::vector<int> profileSelects(const VirtualMouse& mouse) {
    std::vector<int> selects;
    for (const LogEntry& entry : mouse.log()) {
        if (entry.bytes.size() >= 3 && entry.bytes[0] == 0x0c) selects.push_back(entry.bytes[2]);
    }
    return selects;
}

// An X client with one window of the class `instance`/`className`.
class XClient {
public:
    XClient(const char* instance, const char* className) : connection_(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        root_ = screen->root;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        std::string windowClass = std::string(instance) + '\0' + className + '\0';
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(windowClass.size()), windowClass.data());
        xcb_map_window(connection_, window_);
        xcb_flush(connection_);
    }
    ~XClient() { xcb_disconnect(connection_); }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    // As a window manager does when this window gets the focus.
    void activate() {
        const char name[] = "_NET_ACTIVE_WINDOW";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, root_, atom->atom, XCB_ATOM_WINDOW, 32, 1, &window_);
        std::free(atom);
        xcb_flush(connection_);
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
};

struct FollowSetup {
    TempFolder data;
    ScopedEnv dataEnv{"QX4_DATA_DIR", data.path().string()};
    ScopedEnv logEnv{"QT_LOGGING_RULES", std::string("qx4.app.debug=true")};

    explicit FollowSetup(const std::string& rules) { std::ofstream(data.path() / "rules.conf") << rules; }
};

TEST(FollowFocus, X11WindowsOfDifferentClassesSelectTheirProfilesOnceEach) {
    XDesktop desktop;
    if (!desktop.ready()) GTEST_SKIP() << "no Xvfb";
    FollowSetup setup("app qx4-game = 3\napp Qx4Editor = 2\n");
    VirtualMouse mouse;
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    XClient game("qx4-game", "Qx4Game");
    XClient editor("qx4-editor", "Qx4Editor");
    const std::size_t atStart = profileSelects(mouse).size();

    game.activate();
    ASSERT_TRUE(program.waitFor("follow: profile 3 for qx4-game")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    editor.activate();
    ASSERT_TRUE(program.waitFor("follow: profile 2 for qx4-editor")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    // Alt+Tab through both: only the last one is sent.
    game.activate();
    editor.activate();
    game.activate();
    ASSERT_TRUE(program.waitFor("follow: profile 3 for qx4-game")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    ASSERT_TRUE(program.skipUntilQuiet(600));

    const std::vector<int> selects = profileSelects(mouse);
    EXPECT_EQ(std::vector<int>(selects.begin() + static_cast<std::ptrdiff_t>(atStart), selects.end()),
              (std::vector<int>{3, 2, 3}));
    EXPECT_EQ(mouse.stateValue("active profile"), "3");
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
}

// A private session bus; gdbus talks to the program on it.
class PrivateBus {
public:
    PrivateBus() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty()) return;
        bus_.start(daemon, {"--session", "--nofork", "--print-address=1"});
        if (!bus_.waitForReadyRead(15000)) return;
        busEnv_.emplace("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed().toStdString());
        ready_ = true;
    }
    ~PrivateBus() {
        bus_.terminate();
        bus_.waitForFinished();
    }
    bool ready() const { return ready_; }

    // gdbus's answer to `arguments` about the program's object.
    static std::string gdbus(const QStringList& arguments) {
        QProcess gdbus;
        gdbus.setProcessChannelMode(QProcess::MergedChannels);
        gdbus.start(QStringLiteral("gdbus"), QStringList{arguments.front(), "--session", "--dest",
                                                         "io.github.qx4config.Qx4Config1", "--object-path",
                                                         "/io/github/qx4config/Qx4Config1"} +
                                                 arguments.mid(1));
        gdbus.waitForFinished(15000);
        return gdbus.readAll().trimmed().toStdString();
    }
    static std::string property(const char* name) {
        return gdbus({"call", "--method", "org.freedesktop.DBus.Properties.Get", "io.github.qx4config.Qx4Config1", name});
    }

private:
    QProcess bus_;
    std::optional<ScopedEnv> busEnv_;
    bool ready_ = false;
};

TEST(FollowFocus, TheDesktopsReportSelectsAndTheBatteryIsAPropertyThatMoves) {
    PrivateBus bus;
    if (!bus.ready()) GTEST_SKIP() << "no dbus-daemon or gdbus";
    FollowSetup setup("app org.example.Game = 4\n");
    ScopedEnv platformEnv("QT_QPA_PLATFORM", std::string("offscreen"));
    ScopedEnv noDisplay("DISPLAY", std::nullopt);
    VirtualMouse mouse;
    Program program({"--simulate"});
    ASSERT_TRUE(program.waitFor("D-Bus service offered")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();

    const std::string interface = PrivateBus::gdbus({"introspect"});
    for (const char* member : {"ReportFocus", "SelectProfile", "Apply", "BatteryLevel", "ActiveProfile", "DpiLevel"}) {
        EXPECT_NE(interface.find(member), std::string::npos) << member << " in " << interface;
    }
    EXPECT_EQ(PrivateBus::property("BatteryLevel"), "(<80>,)");

    EXPECT_EQ(PrivateBus::gdbus({"call", "--method", "io.github.qx4config.Qx4Config1.ReportFocus", "org.example.Game"}), "()");
    ASSERT_TRUE(program.waitFor("follow: profile 4 for org.example.Game")) << program.output();
    ASSERT_TRUE(program.waitFor("apply finished")) << program.output();
    EXPECT_EQ(mouse.stateValue("active profile"), "4");
    EXPECT_EQ(PrivateBus::property("ActiveProfile"), "(<4>,)");

    mouse.command("battery 3");
    ASSERT_TRUE(program.waitFor("battery 30%")) << program.output();
    EXPECT_EQ(PrivateBus::property("BatteryLevel"), "(<30>,)");
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
}

}  // namespace
}  // namespace qx4::test
