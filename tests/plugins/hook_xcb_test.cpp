// Hook.so in a program whose windows are on an X server with XInput 2: it says it captures the
// whole desktop, posts what xdotool types and clicks through the timed sink it was given, and
// stops on removehook and when it is unloaded. In a Wayland session it keeps to the program's
// own windows. When the X server dies under it, the program it is in ends cleanly.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QGuiApplication>

#include <thread>
#include <utility>

#include "core/abi/window_messages.h"
#include "gui/common/hook_table.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/x_session.h"

namespace qx4::test {
namespace {

using namespace std::chrono_literals;

std::uint64_t monotonicMilliseconds() {
    using std::chrono::steady_clock;
    return std::chrono::duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<Posted> tap(std::uintptr_t virtualKey) {
    return {{UM_HOOK_INPUT, virtualKey, 0}, {UM_HOOK_INPUT, virtualKey, 1}};
}

class HookOnX11 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!XServer::installed()) return;
        server_ = new XServer;
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("XDG_SESSION_TYPE");
        static int argc = 1;
        static char name[] = "hook_xcb_test";
        static char* argv[] = {name, nullptr};
        application_ = new QGuiApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application_;
        delete server_;
    }
    void SetUp() override {
        if (!server_) GTEST_SKIP() << "Xvfb or xdotool is not installed";
    }
    void TearDown() override { gui::releaseHookLibrary(hooks_); }
    void load() {
        std::string error;
        ASSERT_TRUE(gui::bindHookLibrary(hooks_, gui::kHookLibraryFile, &error)) << error;
        ASSERT_TRUE(hooks_.installtimedhook && hooks_.removehook && hooks_.enablemousehook && hooks_.hookcapturescope);
    }

    static inline XServer* server_ = nullptr;
    static inline QGuiApplication* application_ = nullptr;
    gui::HookTable hooks_;
    RecordingSink recorder_;
};

TEST_F(HookOnX11, CapturesTheWholeDesktopUntilRemovedOrUnloadedButNotInAWaylandSession) {
    ASSERT_NO_FATAL_FAILURE(load());
    EXPECT_EQ(hooks_.hookcapturescope(), 1);
    ASSERT_EQ(hooks_.installtimedhook(recorder_.timedSink()), 1);
    const std::uint64_t typed = monotonicMilliseconds();
    ASSERT_TRUE(xdotool({"key", "a"}));
    const auto stamped = recorder_.take(2);
    ASSERT_EQ(postsOf(stamped), tap('A'));
    EXPECT_GE(stamped.front().milliseconds, typed) << "stamped on CLOCK_MONOTONIC when it was typed";
    EXPECT_LE(stamped.back().milliseconds, monotonicMilliseconds());

    hooks_.enablemousehook(1);
    ASSERT_TRUE(xdotool({"click", "3"}));
    const std::vector<Posted> click{{UM_HOOK_INPUT, WM_RBUTTONDOWN, 0}, {UM_HOOK_INPUT, WM_RBUTTONUP, 0}};
    EXPECT_EQ(postsOf(recorder_.take(click.size())), click);

    hooks_.removehook();
    ASSERT_TRUE(xdotool({"key", "b"}));
    ASSERT_EQ(hooks_.installtimedhook(recorder_.timedSink()), 1);
    ASSERT_TRUE(xdotool({"key", "c"}));
    EXPECT_EQ(postsOf(recorder_.take(2)), tap('C')) << "nothing between removal and install";

    // Unloaded while capturing: a reader left running would run code that is gone.
    closePlugin(std::exchange(hooks_, {}).module);
    ASSERT_EQ(::dlopen(QX4_BIN_DIR "/Hook.so", RTLD_NOW | RTLD_NOLOAD), nullptr) << "Hook.so stays loaded";
    ASSERT_TRUE(xdotool({"key", "d"}));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(recorder_.takeAll(), std::vector<Posted>{});

    // Loaded afresh in a Wayland session, it keeps to the program's own windows.
    const ScopedEnv wayland("XDG_SESSION_TYPE", std::string("wayland"));
    ASSERT_NO_FATAL_FAILURE(load());
    EXPECT_EQ(hooks_.hookcapturescope(), 0);
}

// The X server dies while the hook captures, and the program ends, unloading the hook on its way
// out as the program's own end does. Nothing of the lost connection may read as leaked then: under
// AddressSanitizer a leak would turn the exit code.
TEST_F(HookOnX11, AnXServerThatDiesWhileCapturingLeavesNothingLeakedAtTheProgramsEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            load();
            hooks_.installtimedhook(recorder_.timedSink());
            server_->stop(true);
            gui::releaseHookLibrary(hooks_);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qx4::test
