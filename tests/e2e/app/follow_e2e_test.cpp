// The profile follows the application in front, and the program tells the desktop about the mouse.
// Under Xvfb two X clients of different classes are made active in turn, as a window manager does,
// by setting the root window's _NET_ACTIVE_WINDOW; the virtual mouse logs the selects.
#include <gtest/gtest.h>

#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/desktop_session.h"
#include "tests/support/program.h"

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
    if (!XServer::installed()) GTEST_SKIP() << "no Xvfb";
    XDesktop desktop;
    FollowSetup setup("app qx4-game = 3\napp Qx4Editor = 2\n");
    VirtualMouse::Options bothLinks;
    bothLinks.cable = true;
    VirtualMouse mouse(bothLinks);
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

// On a session bus of its own with a stand-in notification service, without a display: the desktop's
// ReportFocus selects a profile, and the BatteryLevel property moves with the battery, which falls
// to 20 %, hovers there, falls to 10 % and charges. Exactly two notifications reach the service.
TEST(FollowFocus, TheDesktopsReportSelectsAndTheBatteryIsAPropertyThatMovesAndWarnsTwice) {
    SessionServices services;
    if (!services.ready() || QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty()) {
        GTEST_SKIP() << "no dbus-daemon or gdbus";
    }
    FollowSetup setup("app org.example.Game = 4\n");
    ScopedEnv platformEnv("QT_QPA_PLATFORM", std::string("offscreen"));
    ScopedEnv noDisplay("DISPLAY", std::nullopt);
    VirtualMouse::Options fullOnCable;
    fullOnCable.cable = true;
    fullOnCable.battery = 10;
    VirtualMouse mouse(fullOnCable);
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
        ASSERT_TRUE(program.waitFor(QByteArray::fromStdString(shown))) << program.output();
    }
    EXPECT_EQ(SessionServices::property("BatteryLevel"), "(<10>,)");
    mouse.command("cable plug");
    ASSERT_TRUE(program.waitFor("tray: Cable: charging, battery 10%")) << program.output();

    const QList<QByteArray> shown = services.shown(2);
    ASSERT_EQ(shown.size(), 2) << program.output();
    EXPECT_TRUE(shown[0].startsWith("notify 1 1 -1 Mouse battery low: ")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains("20%")) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].startsWith("notify 1 2 -1 ")) << "replaces the first, urgent: " << shown[1].toStdString();
    EXPECT_TRUE(shown[1].contains("10%")) << shown[1].toStdString();
    EXPECT_EQ(program.exitCode(true), 0) << program.output();
    EXPECT_EQ(services.shown(3, 500).size(), 2) << "nothing more arrived late";
}

}  // namespace
}  // namespace qx4::test
