#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "core/config/config_file.h"
#include "core/config/config_range.h"

namespace qx4 {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

class RangeRule : public ::testing::Test {
protected:
    void SetUp() override { applyDefaults(*config); }
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    ProfileSettings& profile() { return config->profiles[1]; }
    ButtonBinding& binding() { return config->profiles[1].buttons[20]; }
};

TEST_F(RangeRule, SelectionsOutsideTheirRangeFallBackToTheirDefaults) {
    for (std::int32_t bad : {-1, 5, kMin, kMax}) {
        config->activeProfile = bad;
        EXPECT_TRUE(normalizeConfig(*config, 0));
        EXPECT_EQ(config->activeProfile, 0);
    }
    profile().dpiLevel = 8;
    profile().lightDirection = 2;
    binding().functionGroup = 9;
    EXPECT_TRUE(normalizeConfig(*config, 0));
    EXPECT_EQ(profile().dpiLevel, 2);
    EXPECT_EQ(profile().lightDirection, 1);
    EXPECT_EQ(binding().functionGroup, 0);
}

TEST_F(RangeRule, InRangeAndReportOnlyValuesAreKept) {
    EXPECT_FALSE(normalizeConfig(*config, 0));  // the defaults
    config->activeProfile = 4;
    profile().dpiLevel = 7;
    profile().pollingRateIndex = 7;
    binding().functionGroup = 8;
    binding().macroActionCount = 46;
    profile().lightMode = -3;
    profile().dpiValuesX[0] = kMax;
    binding().macroLoopCount = 1000;
    binding().functionCode = 250;
    auto before = std::make_unique<DeviceConfig>(*config);
    EXPECT_FALSE(normalizeConfig(*config, 0));
    EXPECT_EQ(std::memcmp(config.get(), before.get(), sizeof(DeviceConfig)), 0);
}

TEST_F(RangeRule, BindingCountsIndicesAndNames) {
    binding().macroActionCount = 47;
    EXPECT_TRUE(normalizeBinding(binding(), 0));
    EXPECT_EQ(binding().macroActionCount, 46);

    binding().macroIndex = 2;
    EXPECT_FALSE(normalizeBinding(binding(), 3));
    EXPECT_TRUE(normalizeBinding(binding(), 2));
    EXPECT_EQ(binding().macroIndex, -1);
    binding().macroIndex = -2;
    EXPECT_TRUE(normalizeBinding(binding(), 5));
    EXPECT_EQ(binding().macroIndex, -1);

    binding().macroName.fill(u'x');
    EXPECT_TRUE(normalizeBinding(binding(), 0));
    EXPECT_EQ(binding().macroName[22], u'x');
    EXPECT_EQ(binding().macroName[23], u'\0');
}

// Profile import applies the rule to one block on its own.
TEST_F(RangeRule, OneProfileBlockAlone) {
    ProfileSettings& block = config->profiles[3];
    block.dpiLevel = 99;
    block.buttons[0].macroIndex = 7;
    config->activeProfile = 9;
    EXPECT_TRUE(normalizeProfile(block, 7));
    EXPECT_EQ(block.dpiLevel, 2);
    EXPECT_EQ(block.buttons[0].macroIndex, -1);
    EXPECT_EQ(config->activeProfile, 9);
}

}  // namespace
}  // namespace qx4
