// Random files show that loaded indices stay in range (config_file_test.cpp); these pin what the
// range rule does with a value outside, and that it leaves alone what is inside.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "core/config/config_file.h"
#include "core/config/config_range.h"

namespace qx4 {
namespace {

TEST(RangeRule, SelectionsFallBackToTheirDefaultsCountsAreClampedAndTheRestIsKept) {
    auto config = std::make_unique<DeviceConfig>();
    applyDefaults(*config);
    ProfileSettings& profile = config->profiles[1];
    ButtonBinding& binding = profile.buttons[20];
    profile.dpiLevel = 7;
    profile.pollingRateIndex = 7;  // report-only values are the user's data
    profile.lightMode = -3;
    profile.dpiValuesX[0] = std::numeric_limits<std::int32_t>::max();
    binding.functionGroup = 8;
    binding.macroActionCount = 46;
    binding.macroIndex = 2;
    binding.functionCode = 250;
    auto before = std::make_unique<DeviceConfig>(*config);
    EXPECT_FALSE(normalizeConfig(*config, 3));
    EXPECT_EQ(std::memcmp(config.get(), before.get(), sizeof(DeviceConfig)), 0);

    config->activeProfile = std::numeric_limits<std::int32_t>::min();
    profile.dpiLevel = 8;
    profile.lightDirection = 2;
    binding.functionGroup = 9;
    binding.macroActionCount = 47;
    binding.macroName.fill(u'x');
    EXPECT_TRUE(normalizeConfig(*config, 2));
    EXPECT_EQ(config->activeProfile, 0);
    EXPECT_EQ(profile.dpiLevel, 2);
    EXPECT_EQ(profile.lightDirection, 1);
    EXPECT_EQ(binding.functionGroup, 0);
    EXPECT_EQ(binding.macroActionCount, 46);
    EXPECT_EQ(binding.macroIndex, -1);
    EXPECT_EQ(binding.macroName[22], u'x');
    EXPECT_EQ(binding.macroName[23], u'\0');
    EXPECT_EQ(profile.pollingRateIndex, 7);
}

}  // namespace
}  // namespace qx4
