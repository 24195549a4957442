// The whole-desktop capture against a private X server: what xdotool types and clicks while
// another client's window has the focus arrives as UM_HOOK_INPUT in order, with its pauses,
// through the gates only; that window still gets its keys.
#include <gtest/gtest.h>

#include "core/abi/window_messages.h"
#include "plugins/hook/desktop_capture.h"
#include "plugins/hook/event_clock.h"
#include "tests/support/plugin_harness.h"
#include "tests/support/x_other_window.h"
#include "tests/support/x_session.h"

namespace qx4::gui {
namespace {

using test::Posted;
using test::Stamped;
using test::postsOf;
using test::xdotool;

Posted key(std::uintptr_t virtualKey, bool pressed) { return {UM_HOOK_INPUT, virtualKey, pressed ? 0 : 1}; }

std::vector<Posted> taps(std::initializer_list<std::uintptr_t> virtualKeys) {
    std::vector<Posted> posted;
    for (auto virtualKey : virtualKeys) {
        posted.push_back(key(virtualKey, true));
        posted.push_back(key(virtualKey, false));
    }
    return posted;
}

// A pause between two posts is the one the server saw between their events, as another client
// got them too: `serverTimes` are that client's, for the same keys in the same order.
void expectPause(const std::vector<Stamped>& stamped, const std::vector<std::uint64_t>& serverTimes, std::size_t before,
                 std::size_t after) {
    SCOPED_TRACE(::testing::Message() << "pause from input " << before << " to " << after);
    const auto pause = static_cast<double>(stamped.at(after).milliseconds - stamped.at(before).milliseconds);
    EXPECT_NEAR(pause, static_cast<double>(serverTimes.at(after) - serverTimes.at(before)), 1.0);
}

TEST(EventClock, KeepsThePausesTheServerSawHoweverLateTheReaderReadsThem) {
    EventClock clock;
    EXPECT_EQ(clock.stamp(1000, 5000), 5000u);
    EXPECT_EQ(clock.stamp(1300, 5380), 5300u) << "read 80 ms late";
    EXPECT_EQ(clock.stamp(1450, 5450), 5450u);
    EXPECT_EQ(clock.notBefore(5440), 5450u);
    EXPECT_EQ(clock.notBefore(5460), 5460u);

    EventClock lateStart;
    EXPECT_EQ(lateStart.stamp(1000, 5070), 5070u);
    EXPECT_EQ(lateStart.stamp(1010, 5010), 5070u) << "a closer tie never sends a stamp back";
    EXPECT_EQ(lateStart.stamp(1310, 5330), 5310u);

    EventClock wrapping;
    wrapping.stamp(0xFFFFFF00u, 1000);
    EXPECT_EQ(wrapping.stamp(0x64u, 1356), 1356u) << "across the wrap of the server's 32-bit time";
}

class DesktopCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::XServer::installed()) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        server_.emplace();
        window_.emplace();
    }

    std::optional<test::XServer> server_;
    std::optional<test::OtherWindow> window_;
    CaptureGates gates_;
    test::RecordingSink sink_;
};

TEST_F(DesktopCaptureTest, PostsWhatTheGatesLetThroughInOrderWithItsPauses) {
    gates_.setSink(*sink_.timedSink());
    const auto capture = DesktopCapture::start(gates_);
    ASSERT_NE(capture, nullptr);
    ASSERT_TRUE(xdotool({"key", "x", "click", "1", "click", "4"}));
    gates_.keys = true;
    ASSERT_TRUE(xdotool({"key", "a", "sleep", "0.3", "keydown", "shift", "key", "b", "keyup", "shift", "sleep",
                         "0.15", "key", "F5",
                         // the keypad's 7 with Num Lock off, then on
                         "KP_Home", "Num_Lock", "KP_Home", "Num_Lock"}));
    std::vector<Posted> expected{key('A', true),  key('A', false), key(0xA0, true),
                                 key('B', true),  key('B', false), key(0xA0, false)};
    for (const Posted& tap : taps({0x74, 0x24, 0x90, 0x67, 0x90})) expected.push_back(tap);
    const auto stamped = sink_.take(expected.size());
    ASSERT_EQ(postsOf(stamped), expected) << "the closed gates let nothing through";
    EXPECT_EQ(window_->keyPresses(), 9) << "nothing is grabbed";
    // The window got X's press and release before the gates opened.
    std::vector<std::uint64_t> times = window_->keyTimes();
    ASSERT_EQ(times.size(), 2 + expected.size());
    times.erase(times.begin(), times.begin() + 2);
    expectPause(stamped, times, 1, 2);  // from the release of A to Shift, some 300 ms
    expectPause(stamped, times, 5, 6);  // from the release of Shift to F5, some 150 ms

    gates_.buttons = true;
    gates_.wheel = true;
    ASSERT_TRUE(xdotool({"click", "1", "click", "3", "click", "2", "click", "8", "click", "9", "click", "4",
                         "click", "5"}));
    const std::vector<Posted> buttons{
        {UM_HOOK_INPUT, WM_LBUTTONDOWN, 0}, {UM_HOOK_INPUT, WM_LBUTTONUP, 0},   {UM_HOOK_INPUT, WM_RBUTTONDOWN, 0},
        {UM_HOOK_INPUT, WM_RBUTTONUP, 0},   {UM_HOOK_INPUT, WM_MBUTTONDOWN, 0}, {UM_HOOK_INPUT, WM_MBUTTONUP, 0},
        {UM_HOOK_INPUT, WM_XBUTTONDOWN, 1}, {UM_HOOK_INPUT, WM_XBUTTONUP, 1},   {UM_HOOK_INPUT, WM_XBUTTONDOWN, 2},
        {UM_HOOK_INPUT, WM_XBUTTONUP, 2},   {UM_HOOK_INPUT, WM_MOUSEWHEEL, 120}, {UM_HOOK_INPUT, WM_MOUSEWHEEL, -120},
    };
    EXPECT_EQ(postsOf(sink_.take(buttons.size())), buttons);

    gates_.buttons = false;
    ASSERT_TRUE(xdotool({"click", "1", "key", "y"}));
    EXPECT_EQ(postsOf(sink_.take(2)), taps({'Y'}));
}

}  // namespace
}  // namespace qx4::gui
