// What the mouse really does with a stored DPI value, and the slider steps built from it.
#include "core/device/dpi_steps.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx4 {
namespace {

TEST(DpiSteps, EachStoredValueIsTheDpiItsSensorCodeStandsFor) {
    const std::pair<std::int32_t, int> cases[] = {
        {0, 100},    {1, 100},    {2, 200},   {49, 4900}, {50, 4900},  // 50 is clamped to index 49
        {51, 5000},  {52, 5200},  {53, 5200}, {60, 6000}, {98, 9800}, {99, 9800}, {100, 9800},
        {256, 200},  {300, 4400},  // only the low byte counts: 300 is 44, halved in double range
        {-1, 4900},  {-256, 100}, {INT32_MIN, 100}};
    for (auto [value, dpi] : cases) EXPECT_EQ(effectiveDpi(value), dpi) << "value " << value;
}

TEST(DpiSteps, TheSlidersOfferEveryDpiOnceAndEveryStoredValueLandsOnItsOwnDpi) {
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
    EXPECT_NE(effectiveDpi(99), 9900);
    EXPECT_EQ(effectiveDpi(98), 9800);
}

}  // namespace
}  // namespace qx4
