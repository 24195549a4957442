// Report bytes field by field, and what the mouse really does with a stored DPI value; whole
// downloads, the defaults among them, are compared in apply_plan_test.cpp.
#include "core/device/reports.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/device/dpi_steps.h"

namespace qx4 {
namespace {

// Rows of decimal numbers from tests/data/device, comments skipped.
std::vector<std::vector<long long>> readNumbers(const std::string& name) {
    std::ifstream in(std::string(QX4_TEST_DATA_DIR) + "/device/" + name);
    std::vector<std::vector<long long>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        rows.emplace_back(std::istream_iterator<long long>(fields), std::istream_iterator<long long>());
    }
    return rows;
}

// Every value from 0 to 100, negative ones and some beyond the low byte.
TEST(ReportBytes, DpiValuesFollowTheSensorCodeTable) {
    const auto rows = readNumbers("dpi_codes.txt");
    ASSERT_GT(rows.size(), 100u);
    for (const auto& row : rows) {
        const DpiCode result = dpiSensorCode(static_cast<std::int32_t>(row.at(0)));
        EXPECT_EQ(result.code, row.at(1)) << "value " << row[0];
        EXPECT_EQ(result.doubleRange, row.at(2) == 1) << "value " << row[0];
    }
}

TEST(ReportBytes, ReportRateIndexBecomesTheIntervalCode) {
    const std::pair<std::int32_t, std::uint8_t> cases[] = {{0, 8}, {1, 4}, {2, 2}, {3, 1}, {4, 2}, {-1, 2}, {256, 2}};
    for (auto [index, code] : cases) EXPECT_EQ(pollingIntervalCode(index), code) << index;
}

TEST(ReportBytes, ButtonReportSendsEveryWireTableCodeAtEachPosition) {
    std::map<int, std::vector<int>> wire;
    for (const auto& row : readNumbers("function_wire.txt"))
        wire[static_cast<int>(row.at(0))] = {static_cast<int>(row.at(1)), static_cast<int>(row.at(2)), static_cast<int>(row.at(3))};
    ASSERT_EQ(wire.size(), 58u);

    // All 256 codes through the 24 positions; codes the table does not list go out as 0, 0, 0.
    ProfileSettings profile{};
    for (int first = 0; first < 256; first += kButtonCount) {
        for (int j = 0; j < kButtonCount; ++j) {
            profile.buttons[static_cast<std::size_t>(j)].functionCode = static_cast<std::uint8_t>(first + j);
            profile.buttons[static_cast<std::size_t>(j)].modifierMask = 0x0F;
            profile.buttons[static_cast<std::size_t>(j)].keyCode = 0x2C;
        }
        const FeatureReport report = buildButtonReport(profile, 0, {});
        for (int j = 0; j < kButtonCount; ++j) {
            const int code = (first + j) % 256;
            if (code == kKeyboardFunctionCode || code == kMacroFunctionCode) continue;
            const auto found = wire.find(code);
            const std::vector<int> expected = found == wire.end() ? std::vector<int>{0, 0, 0} : found->second;
            const auto at = static_cast<std::size_t>(3 + 3 * j);
            EXPECT_EQ((std::vector<int>{report.bytes[at], report.bytes[at + 1], report.bytes[at + 2]}), expected)
                << "code " << code << " at button " << j;
        }
        EXPECT_EQ(report.bytes[75] | report.bytes[76], 0);
    }
}

TEST(DpiSteps, EachStoredValueIsTheDpiItsSensorCodeStandsForAndHasItsSliderStep) {
    const std::pair<std::int32_t, int> cases[] = {
        {0, 100},    {1, 100},    {2, 200},   {49, 4900}, {50, 4900},  // 50 is clamped to index 49
        {51, 5000},  {52, 5200},  {53, 5200}, {60, 6000}, {98, 9800}, {99, 9800}, {100, 9800},
        {256, 200},  {300, 4400},  // only the low byte counts: 300 is 44, halved in double range
        {-1, 4900},  {-256, 100}, {INT32_MIN, 100}};
    for (auto [value, dpi] : cases) EXPECT_EQ(effectiveDpi(value), dpi) << "value " << value;

    // The sliders offer every DPI once, and every stored value lands on its own DPI.
    const auto steps = dpiSteps();
    ASSERT_EQ(steps.size(), 74u);
    std::vector<int> expected;
    for (int dpi = 100; dpi <= 4900; dpi += 100) expected.push_back(dpi);
    for (int dpi = 5000; dpi <= 9800; dpi += 200) expected.push_back(dpi);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(effectiveDpi(steps[i]), expected[i]) << "step " << i;
        // Only 5,000 DPI has no value of its own face: 50 is sent as 4,900.
        EXPECT_EQ(effectiveDpi(steps[i]) == steps[i] * kDpiPerHundred, steps[i] != 51) << "step " << i;
    }
    for (std::int32_t value = -600; value <= 600; ++value) {
        EXPECT_EQ(effectiveDpi(steps[dpiStepFor(value)]), effectiveDpi(value)) << "value " << value;
    }
}

}  // namespace
}  // namespace qx4
