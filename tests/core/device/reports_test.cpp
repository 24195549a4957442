#include "core/device/reports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "core/config/config_file.h"
#include "hex_fixture.h"

namespace qx4 {
namespace {

using test::readHex;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<std::uint8_t> bytesOf(const FeatureReport& report) {
    return {report.view().begin(), report.view().end()};
}

class ReportBytesTest : public ::testing::Test {
protected:
    ReportBytesTest() { applyDefaults(record); }
    ProfileSettings& profile() { return record.profiles[0]; }
    DeviceConfig record{};
};

TEST_F(ReportBytesTest, DefaultsOfProfileOneMatchTheWorkedExamples) {
    EXPECT_THAT(bytesOf(buildProfileSelectReport(record)), ElementsAre(0x0C, 0x04, 0x01, 0x05));
    EXPECT_THAT(bytesOf(buildDpiReport(profile(), 0)), ElementsAreArray(readHex("dpi_defaults_profile1.hex")));
    EXPECT_THAT(bytesOf(buildLightReport(profile(), 0)), ElementsAreArray(readHex("light_defaults_profile1.hex")));
    EXPECT_THAT(bytesOf(buildPollingReport(profile(), 0)),
                ElementsAreArray(readHex("polling_defaults_profile1.hex")));
    EXPECT_THAT(bytesOf(buildButtonReport(profile(), 0, assignMacroSlots(record)[0])),
                ElementsAreArray(readHex("buttons_defaults_profile1.hex")));

    record.activeProfile = 3;
    EXPECT_THAT(bytesOf(buildProfileSelectReport(record)), ElementsAre(0x0C, 0x04, 0x04, 0x05));
    EXPECT_EQ(buildLightReport(record.profiles[4], 4).bytes[2], 5);
}

TEST_F(ReportBytesTest, DpiLevelValuesMapToSensorCodesAndDoubleRange) {
    struct Case {
        std::int32_t value;
        std::uint8_t code;
        bool doubleRange;
    };
    for (const Case& c : {Case{0, 4, false}, Case{1, 4, false}, Case{2, 6, false}, Case{4, 11, false},
                          Case{25, 59, false}, Case{49, 115, false}, Case{50, 115, false},  // clamped
                          Case{51, 59, true}, Case{52, 62, true}, Case{60, 71, true}, Case{97, 113, true},
                          Case{98, 115, true}, Case{100, 115, true}, Case{255, 115, true},
                          // only the low byte of a value counts; negative values land high
                          Case{256, 4, true}, Case{300, 52, true}, Case{-1, 115, false}, Case{-256, 4, false},
                          Case{-206, 115, false}}) {
        const DpiCode result = dpiSensorCode(c.value);
        EXPECT_EQ(result.code, c.code) << c.value;
        EXPECT_EQ(result.doubleRange, c.doubleRange) << c.value;
    }
    // Within each range a higher value is never sent as a lower code.
    for (std::int32_t v = 1; v <= 100; ++v) {
        if (v == kDpiDoubleRangeAbove + 1) continue;
        EXPECT_GE(dpiSensorCode(v).code, dpiSensorCode(v - 1).code) << v;
    }
}

TEST_F(ReportBytesTest, DpiReportMasksLevelAndColours) {
    profile().dpiValuesX = {60, 4, 100, 50, 51, 0, -3, 20};
    profile().dpiValuesY = {1, 1, 1, 1, 1, 1, 1, 1};  // never sent
    profile().dpiLevelEnabled = {1, 0, 1, 2, 1, 0, -1, 1};  // only exactly 1 enables
    profile().dpiLevel = 7;
    profile().dpiParamA = 0x1234;
    profile().dpiParamB = -1;
    profile().dpiColors[0] = 0x00336699;  // blue 33, green 66, red 99
    profile().dpiColors[7] = 0xAA010203;  // the top byte is never sent

    const FeatureReport report = buildDpiReport(profile(), 2);
    EXPECT_EQ(report.bytes[2], 3);
    EXPECT_EQ(report.bytes[3], 0x34);
    EXPECT_EQ(report.bytes[4], 0xFF);
    EXPECT_EQ(report.bytes[5], 0b1001'0101);
    EXPECT_EQ(report.bytes[6], 0b0001'0101);
    EXPECT_EQ(report.bytes[7], 0b0001'0101);
    const std::vector<std::uint8_t> codes{71, 11, 115, 115, 59, 4, 115, 48};
    EXPECT_THAT(std::vector<std::uint8_t>(report.bytes.begin() + 8, report.bytes.begin() + 16), ElementsAreArray(codes));
    EXPECT_THAT(std::vector<std::uint8_t>(report.bytes.begin() + 16, report.bytes.begin() + 24), ElementsAreArray(codes));
    EXPECT_EQ(report.bytes[24], 8);
    EXPECT_THAT(std::vector<std::uint8_t>(report.bytes.begin() + 25, report.bytes.begin() + 28), ElementsAre(0x99, 0x66, 0x33));
    EXPECT_THAT(std::vector<std::uint8_t>(report.bytes.begin() + 46, report.bytes.begin() + 49), ElementsAre(0x03, 0x02, 0x01));
    EXPECT_EQ(report.bytes[49], 1);
}

TEST_F(ReportBytesTest, LightReportSendsBrightnessOnlyForModesThatUseIt) {
    profile().lightBrightness = 3;
    profile().lightBreathSpeed = 1;
    profile().lightColor = 0x00C0B0A0;
    profile().lightExtra = 0x105;
    profile().lightDirection = 0;
    for (std::int32_t mode : {0, 1, 2, 7, 9, 10}) {
        profile().lightMode = mode;
        const FeatureReport report = buildLightReport(profile(), 1);
        const std::uint8_t expectedBrightness = mode == 1 || mode == 9 ? 3 : 8;
        EXPECT_THAT(bytesOf(report), ElementsAre(0x05, 0x0D, 0x02, mode, 8, expectedBrightness, 0xA0, 0xB0, 0xC0,
                                                 0x05, 0x01, 0x00, 0x00))
            << mode;
    }
    profile().lightBreathSpeed = 10;
    EXPECT_EQ(buildLightReport(profile(), 0).bytes[4], 0xFF);
}

TEST_F(ReportBytesTest, ReportRateIndexBecomesTheIntervalCode) {
    const std::pair<std::int32_t, std::uint8_t> cases[] = {{0, 8}, {1, 4}, {2, 2}, {3, 1}, {4, 2}, {-1, 2}, {256, 2}};
    for (auto [index, code] : cases) {
        profile().pollingRateIndex = index;
        EXPECT_THAT(bytesOf(buildPollingReport(profile(), 4)), ElementsAre(0x06, 0x09, 0x05, code, 0, 0, 0, 0, 0)) << index;
    }
}

TEST_F(ReportBytesTest, ButtonReportSendsEveryWireTableCodeAtEachPosition) {
    std::ifstream table(std::string(QX4_TEST_DATA_DIR) + "/device/function_wire.txt");
    std::map<int, std::array<int, 3>> expected;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int code = 0;
        std::array<int, 3> wire{};
        fields >> code >> wire[0] >> wire[1] >> wire[2];
        expected[code] = wire;
    }
    ASSERT_EQ(expected.size(), 58u);

    // Walk all 256 codes through the 24 positions; codes the table does not list go out as 0, 0, 0.
    for (int first = 0; first < 256; first += kButtonCount) {
        for (int j = 0; j < kButtonCount; ++j) {
            ButtonBinding& binding = profile().buttons[static_cast<std::size_t>(j)];
            binding.functionCode = static_cast<std::uint8_t>((first + j) % 256);
            binding.modifierMask = 0x0F;
            binding.keyCode = 0x2C;
        }
        const FeatureReport report = buildButtonReport(profile(), 0, assignMacroSlots(record)[0]);
        for (int j = 0; j < kButtonCount; ++j) {
            const int code = (first + j) % 256;
            if (code == kKeyboardFunctionCode || code == kMacroFunctionCode) continue;
            const auto found = expected.find(code);
            const std::array<int, 3> wire = found == expected.end() ? std::array<int, 3>{0, 0, 0} : found->second;
            const auto at = static_cast<std::size_t>(3 + 3 * j);
            EXPECT_THAT((std::array<int, 3>{report.bytes[at], report.bytes[at + 1], report.bytes[at + 2]}),
                        ElementsAreArray(wire))
                << "code " << code << " at button " << j;
        }
        EXPECT_EQ(report.bytes[75], 0);
        EXPECT_EQ(report.bytes[76], 0);
    }
}

TEST_F(ReportBytesTest, KeystrokesAndMacroSlotsTakeTheirBytesFromTheBinding) {
    ButtonBinding& combo = profile().buttons[2];
    combo.functionCode = kKeyboardFunctionCode;
    combo.modifierMask = 0x05;  // Ctrl + Alt
    combo.keyCode = 0x04;       // A
    // Two macros in profile 1 and one in profile 3 take slots 1, 2 and 3 in button order.
    profile().buttons[23].functionCode = kMacroFunctionCode;
    profile().buttons[23].modifierMask = 9;  // not sent for a macro
    profile().buttons[1].functionCode = kMacroFunctionCode;
    record.profiles[2].buttons[0].functionCode = kMacroFunctionCode;
    record.profiles[3].buttons[4].macroName[0] = u'x';  // a name alone is no macro
    const MacroSlots slots = assignMacroSlots(record);
    auto triple = [](const FeatureReport& report, std::size_t button) {
        return std::vector<int>{report.bytes[3 + 3 * button], report.bytes[4 + 3 * button], report.bytes[5 + 3 * button]};
    };
    const FeatureReport first = buildButtonReport(profile(), 0, slots[0]);
    EXPECT_THAT(triple(first, 2), ElementsAre(17, 5, 4));
    EXPECT_THAT(triple(first, 1), ElementsAre(18, 0, 1));
    EXPECT_THAT(triple(first, 23), ElementsAre(18, 0, 2));
    EXPECT_THAT(triple(buildButtonReport(record.profiles[2], 2, slots[2]), 0), ElementsAre(18, 0, 3));
    EXPECT_EQ(slots[3][4], 0);
}

class MacroReportTest : public ::testing::Test {
protected:
    MacroReportTest() { binding.macroLoopCount = 1; }
    void setActions(std::initializer_list<MacroAction> actions) {
        binding.macroActionCount = static_cast<std::uint16_t>(actions.size());
        std::copy(actions.begin(), actions.end(), binding.macroActions.begin());
    }
    std::vector<std::pair<int, int>> pairs(const FeatureReport& report) {
        std::vector<std::pair<int, int>> result;
        for (int i = 0; i < report.bytes[28]; ++i)
            result.emplace_back(report.bytes[static_cast<std::size_t>(29 + 2 * i)],
                                report.bytes[static_cast<std::size_t>(30 + 2 * i)]);
        return result;
    }
    ButtonBinding binding{};
};

TEST_F(MacroReportTest, WorkedExampleWithLongAndZeroDelays) {
    binding.macroRepeatMode = 0x102;
    binding.macroParam = 0x11;
    binding.macroLoopCount = 0x203;
    setActions({{0x04, kMacroActionPress, 1000},
                {0x04, kMacroActionRelease, 0},
                {0x05, kMacroActionPress, 65535},
                {0x05, kMacroActionRelease, 254}});
    EXPECT_THAT(bytesOf(buildMacroReport(binding, 2)), ElementsAreArray(readHex("macro_long_delays.hex")));
    for (auto [loops, sent] : {std::pair{0, 1}, {256, 1}, {-1, 255}}) {
        binding.macroLoopCount = loops;  // a low byte of 0 goes out as 1
        EXPECT_EQ(buildMacroReport(binding, 1).bytes[7], sent) << loops;
    }
}

TEST_F(MacroReportTest, DelaysAroundTheLongDelayThreshold) {
    // Each pair carries the delay stored with the previous action; the first action's is 1.
    struct Case {
        std::uint16_t delay;
        std::vector<std::pair<int, int>> secondActionPairs;
    };
    for (const Case& c : {Case{0, {{0x80, 7}}}, Case{1, {{0x80, 7}}}, Case{2, {{0x81, 7}}},
                          Case{254, {{0x80 | 127, 7}}}, Case{255, {{1, 3}, {0x80 | 27, 7}}},
                          Case{1000, {{5, 3}, {0x80, 7}}}, Case{65535, {{255, 3}, {0x80 | 67, 7}}}}) {
        setActions({{6, kMacroActionPress, c.delay}, {7, kMacroActionRelease, 9}});
        auto expected = c.secondActionPairs;
        expected.insert(expected.begin(), {0, 6});
        EXPECT_THAT(pairs(buildMacroReport(binding, 1)), ElementsAreArray(expected)) << c.delay;
    }
}

TEST_F(MacroReportTest, FullMacroWithTenLongDelaysClaimsOnlyThePairsItCarries) {
    binding.macroActionCount = kMacroActionCapacity;
    for (std::size_t i = 0; i < kMacroActionCapacity; ++i)
        binding.macroActions[i] = {static_cast<std::uint8_t>(0x04 + i), kMacroActionPress,
                                   static_cast<std::uint16_t>(i % 4 == 0 ? 400 : 10)};
    // Actions 0, 4, ..., 44 hold long delays: the twelve after them want an extra pair, ten get one.
    const FeatureReport report = buildMacroReport(binding, 1);
    EXPECT_EQ(report.bytes[28], 50);
    const auto written = pairs(report);
    EXPECT_EQ(std::count(written.begin(), written.end(), std::pair{2, 3}), 10);
    EXPECT_EQ(written[1], (std::pair{2, 3}));  // before action 1
    EXPECT_EQ(written[2], (std::pair{0, 0x05}));  // 400 mod 200 = 0 -> 1 -> 0
    EXPECT_EQ(written.back(), (std::pair{5, 0x04 + 39}));

    // More actions than a binding holds are never read.
    binding.macroActionCount = 0xFFFF;
    const FeatureReport damaged = buildMacroReport(binding, 1);
    EXPECT_EQ(std::memcmp(damaged.bytes.data(), report.bytes.data(), report.bytes.size()), 0);
}

TEST_F(MacroReportTest, LongDelaysBeyondTheTenthLoseTheirExtraPair) {
    binding.macroActionCount = 13;
    for (std::size_t i = 0; i < 13; ++i) binding.macroActions[i] = {0x10, kMacroActionRelease, 650};
    const auto written = pairs(buildMacroReport(binding, 1));
    EXPECT_EQ(std::count(written.begin(), written.end(), std::pair{3, 3}), 10);
    EXPECT_EQ(written.size(), 23u);
    EXPECT_EQ(written.back(), (std::pair{0x80 | 25, 0x10}));  // 650 mod 200 = 50
}

}  // namespace
}  // namespace qx4
