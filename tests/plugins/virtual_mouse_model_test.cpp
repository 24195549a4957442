// The emulated firmware: what it takes, what it refuses, and what its buttons and commands send.
#include <gtest/gtest.h>

#include <vector>

#include "command_interpreter.h"
#include "mouse_model.h"

namespace qx4::vm {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Well-formed reports, written out by hand from the formats.
Bytes profileSelect(std::uint8_t profile) {
    return {0x0C, 4, profile, 5};
}

Bytes dpiReport(std::uint8_t profile) {
    Bytes r(50, 0);
    r[0] = 0x04;
    r[1] = 50;
    r[2] = profile;
    r[3] = 8;
    r[4] = 9;
    r[5] = 0b00100101;  // levels 1, 3 and 6
    r[6] = r[7] = 0b00000100;
    const std::uint8_t codes[8] = {11, 20, 71, 39, 76, 94, 115, 4};
    for (int i = 0; i < 8; ++i) r[8 + i] = r[16 + i] = codes[i];
    r[24] = 1;
    r[25] = 0x12;
    r[26] = 0x34;
    r[27] = 0x56;
    r[49] = 1;
    return r;
}

Bytes lightReport(std::uint8_t profile) {
    return {0x05, 13, profile, 1, 4, 6, 0xFF, 0x80, 0x00, 1, 1, 0, 0};
}

Bytes pollingReport(std::uint8_t profile, std::uint8_t interval) {
    return {0x06, 9, profile, interval, 0, 0, 0, 0, 0};
}

Bytes buttonReport(std::uint8_t profile) {
    Bytes r(77, 0);
    r[0] = 0x08;
    r[1] = 77;
    r[2] = profile;
    r[3] = 17;
    r[4] = 1;
    r[5] = 6;  // button 1: Ctrl + C
    r[3 + 3 * 23] = 18;
    r[5 + 3 * 23] = 2;  // button 24: macro slot 2
    return r;
}

Bytes macroReport(std::uint8_t slot, std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs) {
    Bytes r(129, 0);
    r[0] = 0x09;
    r[1] = 0x81;
    r[2] = slot;
    r[7] = 1;
    r[28] = static_cast<std::uint8_t>(pairs.size());
    for (std::size_t i = 0; i < pairs.size() && i < 50; ++i) {
        r[29 + 2 * i] = pairs[i].first;
        r[30 + 2 * i] = pairs[i].second;
    }
    return r;
}

TEST(VirtualMouseModel, DecodesEveryReportTypeIntoTheProfileItNames) {
    MouseModel mouse;
    for (const Bytes& r : {profileSelect(3), dpiReport(2), lightReport(2), pollingReport(2, 8),
                           buttonReport(2), macroReport(7, {{0x00, 0x04}, {5, 3}, {0x80, 0x04}})}) {
        EXPECT_EQ(mouse.receiveReport(Link::receiver, r).verdict, Verdict::accepted) << int{r[0]};
    }
    EXPECT_EQ(mouse.activeProfile(), 3);
    EXPECT_EQ(mouse.accepted(), 6);

    const ProfileState& two = mouse.profile(2);
    EXPECT_EQ(two.dpi.paramB, 9);
    EXPECT_EQ(two.dpi.enableMask, 0b00100101);
    EXPECT_EQ(two.dpi.doubleRangeMask, 0b00000100);
    EXPECT_EQ(two.dpi.codes[2], 71);
    EXPECT_EQ(two.dpi.currentLevel, 1);
    EXPECT_EQ(two.dpi.colors[0].blue, 0x56);
    EXPECT_EQ(two.light.mode, 1);
    EXPECT_EQ(two.light.brightness, 6);
    EXPECT_EQ(two.light.color.green, 0x80);
    EXPECT_EQ(two.reportInterval, 8);
    EXPECT_EQ(two.buttons[0].c, 6);
    EXPECT_EQ(two.buttons[23].a, 18);
    EXPECT_EQ(two.buttons[23].c, 2);
    // Other profiles keep their factory state.
    EXPECT_EQ(mouse.profile(1).dpi.enableMask, 0x7F);
    EXPECT_EQ(mouse.profile(1).reportInterval, 1);

    ASSERT_EQ(mouse.macros().count(7), 1u);
    const auto& pairs = mouse.macros().at(7).pairs;
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[1], std::make_pair(std::uint8_t{5}, std::uint8_t{3}));

    const std::string text = mouse.describe();
    EXPECT_NE(text.find("profile 2 dpi levels: 400 800 6000 "), std::string::npos) << text;
    EXPECT_NE(text.find("profile 2 dpi enabled: 1 3 6\n"), std::string::npos);
    EXPECT_NE(text.find("macro 7: mode 0 params 0 0 0 loop 1 pairs 3, press 04 after 0 ms, "
                        "wait 1000 ms, release 04 after 0 ms"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("\nend"));
}

TEST(VirtualMouseModel, RefusesMalformedReportsAndKeepsItsState) {
    auto shortLength = dpiReport(1);
    shortLength.pop_back();
    auto wrongLengthByte = lightReport(1);
    wrongLengthByte[1] = 12;
    auto levelOutOfRange = dpiReport(1);
    levelOutOfRange[24] = 9;
    auto copiesDiffer = dpiReport(1);
    copiesDiffer[20] ^= 1;
    auto masksDiffer = dpiReport(1);
    masksDiffer[7] = 0;
    auto tooManyPairs = macroReport(1, {});
    tooManyPairs[28] = 51;
    auto dirtyPadding = buttonReport(1);
    dirtyPadding[76] = 1;
    auto badTrailer = profileSelect(1);
    badTrailer[3] = 4;

    const std::vector<Bytes> malformed{
        {},
        {0x0B, 4, 1, 5},  // unknown command
        shortLength,
        wrongLengthByte,
        profileSelect(0),
        profileSelect(6),
        dpiReport(6),
        pollingReport(1, 3),  // no such report interval
        macroReport(0, {}),
        macroReport(121, {}),
        levelOutOfRange,
        copiesDiffer,
        masksDiffer,
        tooManyPairs,
        dirtyPadding,
        badTrailer,
    };
    MouseModel mouse;
    const std::string before = mouse.describe();
    for (std::size_t i = 0; i < malformed.size(); ++i) {
        const auto outcome = mouse.receiveReport(Link::receiver, malformed[i]);
        EXPECT_EQ(outcome.verdict, Verdict::rejected) << "case " << i;
        EXPECT_FALSE(outcome.text.empty());
    }
    EXPECT_EQ(mouse.rejected(), static_cast<int>(malformed.size()));
    EXPECT_EQ(mouse.accepted(), 0);
    const std::string after = mouse.describe();
    EXPECT_EQ(before.substr(before.find("profile 1")), after.substr(after.find("profile 1")));
    // The edges of the ranges are fine.
    EXPECT_EQ(mouse.receiveReport(Link::receiver, macroReport(120, {})).verdict, Verdict::accepted);
    EXPECT_EQ(mouse.receiveReport(Link::receiver, profileSelect(5)).verdict, Verdict::accepted);
}

TEST(VirtualMouseModel, ReportsReachOnlyAPluggedLinkAndAnAwakeMouseOverTheReceiver) {
    MouseModel mouse({.receiver = true, .cable = false, .asleep = false, .battery = 8});
    EXPECT_EQ(mouse.receiveReport(Link::cable, profileSelect(2)).verdict, Verdict::unreachable);
    mouse.setAsleep(true);
    EXPECT_EQ(mouse.receiveReport(Link::receiver, profileSelect(2)).verdict, Verdict::unreachable);
    mouse.setPlugged(Link::cable, true);
    EXPECT_EQ(mouse.receiveReport(Link::cable, profileSelect(2)).verdict, Verdict::accepted);
    EXPECT_EQ(mouse.activeProfile(), 2);
    EXPECT_EQ(mouse.accepted() + mouse.rejected(), 1);
}

TEST(VirtualMouseModel, DpiButtonWalksOnlyEnabledLevelsAndProfileButtonWraps) {
    MouseModel mouse;
    EXPECT_EQ(mouse.pressDpiButton(), 4);  // factory: level 3 of 7 enabled
    EXPECT_EQ(mouse.pressDpiButton(), 5);
    EXPECT_EQ(mouse.pressDpiButton(), 6);
    EXPECT_EQ(mouse.pressDpiButton(), 7);
    EXPECT_EQ(mouse.pressDpiButton(), 1);  // level 8 is off

    ASSERT_EQ(mouse.receiveReport(Link::receiver, dpiReport(1)).verdict, Verdict::accepted);
    EXPECT_EQ(mouse.pressDpiButton(), 3);
    EXPECT_EQ(mouse.pressDpiButton(), 6);
    EXPECT_EQ(mouse.pressDpiButton(), 1);

    auto noneEnabled = dpiReport(1);
    noneEnabled[5] = 0;
    noneEnabled[24] = 2;
    ASSERT_EQ(mouse.receiveReport(Link::receiver, noneEnabled).verdict, Verdict::accepted);
    EXPECT_EQ(mouse.pressDpiButton(), 2);

    for (int expected : {2, 3, 4, 5, 1, 2}) EXPECT_EQ(mouse.pressProfileButton(), expected);
    // The DPI button acts on the active profile.
    EXPECT_EQ(mouse.pressDpiButton(), 4);
    EXPECT_EQ(mouse.profile(1).dpi.currentLevel, 2);
}

TEST(VirtualMouseModel, SensorCodesReadBackAsDpi) {
    EXPECT_EQ(dpiForCode(11, false), 400);
    EXPECT_EQ(dpiForCode(4, false), 100);    // codes 0 and 1 share 4: the larger reads back
    EXPECT_EQ(dpiForCode(115, false), 4900);  // 5000 is sent as 4900
    EXPECT_EQ(dpiForCode(71, true), 6000);
    EXPECT_EQ(dpiForCode(5, false), 0);
}

struct CommandCase {
    MouseModel::Start start;
    const char* line;
    std::vector<Push> pushes;
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, SendWhatTheMouseWouldOverTheRightLink) {
    const CommandCase& c = GetParam();
    MouseModel mouse(c.start);
    const CommandResult result = runCommand(mouse, c.line);
    EXPECT_TRUE(result.reply.starts_with("ok")) << result.reply;
    ASSERT_EQ(result.pushes.size(), c.pushes.size()) << result.reply;
    for (std::size_t i = 0; i < c.pushes.size(); ++i) {
        EXPECT_EQ(result.pushes[i].link, c.pushes[i].link) << i;
        EXPECT_EQ(result.pushes[i].type, c.pushes[i].type) << i;
        EXPECT_EQ(result.pushes[i].code, c.pushes[i].code) << i;
        EXPECT_EQ(result.pushes[i].value, c.pushes[i].value) << i;
    }
}

constexpr MouseModel::Start kReceiverOnly{true, false, false, 8};
constexpr MouseModel::Start kCableOnly{false, true, false, 8};
constexpr MouseModel::Start kBoth{true, true, false, 8};
constexpr MouseModel::Start kNeither{false, false, false, 8};
constexpr MouseModel::Start kAsleep{false, true, true, 3};
constexpr auto N = FrameType::notification;
constexpr auto A = FrameType::arrival;
constexpr auto R = Link::receiver;
constexpr auto C = Link::cable;

INSTANTIATE_TEST_SUITE_P(
    VirtualMouse, Commands,
    ::testing::Values(
        CommandCase{kReceiverOnly, "dpi", {{R, N, 0x1000, 4}}},
        CommandCase{kCableOnly, "DPI", {{C, N, 0x1000, 4}}},
        CommandCase{kBoth, "profile", {{R, N, 0x8000, 2}}},
        CommandCase{kNeither, "dpi", {}},
        CommandCase{kReceiverOnly, "battery 10", {{R, N, 0x6000, 10}}},
        CommandCase{kReceiverOnly, "sleep", {{R, N, 0x4000, 0x0800}}},
        CommandCase{kAsleep, "wake", {{C, N, 0x4000, 0x0301}}},
        CommandCase{kReceiverOnly, "rate 0x2", {{R, N, 0x2000, 2}}},
        CommandCase{kReceiverOnly, "light 300", {{R, N, 0x7000, 300}}},
        CommandCase{kReceiverOnly, "notify 0x8000 6", {{R, N, 0x8000, 6}}},
        CommandCase{kReceiverOnly, "cable plug", {{C, A, 0, 1}}},
        CommandCase{kBoth, "  cable   unplug ", {{C, A, 0, 0}}},
        CommandCase{kCableOnly, "receiver plug", {{R, A, 0, 1}, {R, N, 0x4000, 0x0801}}},
        CommandCase{kReceiverOnly, "receiver unplug", {{R, A, 0, 0}}},
        CommandCase{kReceiverOnly, "receiver plug", {}},
        CommandCase{kNeither, "cable unplug", {}}));

TEST(VirtualMouseCommands, ChangeTheStateTheyReport) {
    MouseModel mouse;
    runCommand(mouse, "battery 3");
    runCommand(mouse, "sleep");
    runCommand(mouse, "cable plug");
    runCommand(mouse, "rate 4");
    runCommand(mouse, "light 2");
    EXPECT_EQ(mouse.sleepStatus(), 0x0300);
    EXPECT_TRUE(mouse.charging());
    EXPECT_EQ(mouse.profile(1).reportInterval, 4);
    EXPECT_EQ(mouse.profile(1).light.mode, 2);
    runCommand(mouse, "rate 300");  // sent, but no interval the mouse keeps
    EXPECT_EQ(mouse.profile(1).reportInterval, 4);
    EXPECT_TRUE(runCommand(mouse, "state").reply.starts_with("receiver: plugged\ncable: plugged\n"
                                                              "charging: yes\nmouse: asleep\n"
                                                              "battery: 3\n"));
    EXPECT_TRUE(runCommand(mouse, "quit").quit);
}

TEST(VirtualMouseCommands, RefuseWhatTheyCannotDoWithoutSendingAnything) {
    for (const char* line : {"battery 0", "battery 11", "battery", "rate -1", "rate 65536",
                             "light x", "notify 1", "cable wiggle", "mouse plug", "dpi 2",
                             "wait", "wait reports", "wait listeners usb 1", "frobnicate"}) {
        MouseModel mouse;
        const CommandResult result = runCommand(mouse, line);
        EXPECT_TRUE(result.reply.starts_with("error: ")) << line << " -> " << result.reply;
        EXPECT_TRUE(result.pushes.empty()) << line;
        EXPECT_FALSE(result.wait) << line;
        EXPECT_EQ(mouse.battery(), 8) << line;
    }
}

}  // namespace
}  // namespace qx4::vm
