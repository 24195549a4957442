#include <gtest/gtest.h>

#include <memory>

#include "../expected_defaults.h"
#include "../test_files.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"

namespace qx4 {
namespace {

using test::readBytes;
using test::writeBytes;

class ConfigFile : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    std::filesystem::path path() const { return data.folder() / "Config_1.data"; }
    long filesInFolder() const { return std::distance(std::filesystem::directory_iterator(data.folder()), {}); }
};

TEST_F(ConfigFile, MissingFileGivesDefaultsThatOnlyLoadingSaves) {
    EXPECT_TRUE(readConfig(*config, 0).createdDefaults);
    EXPECT_FALSE(std::filesystem::exists(data.root() / "Data"));
    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_TRUE(result.createdDefaults && result.savedDefaults);
    EXPECT_EQ(readBytes(path()), test::expectedDefaultImage());
}

TEST_F(ConfigFile, SaveAndLoadRoundTripAndALongerFileGivesItsFirstRecord) {
    applyDefaults(*config);
    config->activeProfile = 3;
    config->profiles[3].reservedHead[17] = 0x5A;
    config->profiles[4].buttons[23].macroActions[45] = {0xF1, 2, 65535};
    ASSERT_TRUE(saveConfig(*config));
    auto saved = readBytes(path());
    ASSERT_TRUE(saveConfig(*config));
    EXPECT_EQ(readBytes(path()), saved);
    EXPECT_EQ(filesInFolder(), 1) << "a temporary file was left behind";

    saved.resize(saved.size() + 500, 0xEE);
    writeBytes(path(), saved);
    auto loaded = std::make_unique<DeviceConfig>();
    const ConfigLoadResult result = loadConfig(*loaded, 0);
    EXPECT_FALSE(result.createdDefaults || result.damaged || result.unreadable || result.rangeRepaired);
    EXPECT_TRUE(std::ranges::equal(recordBytes(*loaded), recordBytes(*config)));
}

TEST_F(ConfigFile, AFolderWhereTheFileBelongsIsNeitherReadNorReplaced) {
    std::filesystem::create_directories(path());
    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_TRUE(result.unreadable);
    EXPECT_FALSE(result.savedDefaults);
    EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1);
    EXPECT_FALSE(saveConfig(*config));
    EXPECT_TRUE(std::filesystem::is_directory(path()));
    EXPECT_EQ(filesInFolder(), 1);
}

// A short file would leave every later button at function 0 ("off"); its bytes go over the
// defaults instead, and the file itself is kept.
TEST_F(ConfigFile, ShortFileIsKeptAndLaidOverDefaults) {
    std::vector<std::uint8_t> shortFile(100, 0x11);
    shortFile[0] = 2;  // activeProfile 2
    shortFile[1] = shortFile[2] = shortFile[3] = 0;
    writeBytes(path(), shortFile);

    EXPECT_TRUE(loadConfig(*config, 0).damaged);
    EXPECT_EQ(readBytes(data.folder() / "Config_1.data.damaged"), shortFile);
    EXPECT_EQ(readBytes(path()), shortFile);  // loading alone does not rewrite it
    EXPECT_EQ(config->activeProfile, 2);
    EXPECT_EQ(config->profiles[0].reservedHead[95], 0x11);
    EXPECT_EQ(config->profiles[0].reservedHead[96], 0);
    EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1);
    EXPECT_EQ(config->profiles[4].dpiLevel, 2);
}

// The first index or count out of its range, or empty.
std::string firstOutOfRange(const DeviceConfig& config, long long macroCount) {
    const auto outside = [](long long value, long long first, long long last) { return value < first || value > last; };
    if (outside(config.activeProfile, 0, 4)) return "activeProfile";
    for (const ProfileSettings& profile : config.profiles) {
        if (outside(profile.dpiLevel, 0, 7)) return "dpiLevel";
        if (outside(profile.lightDirection, 0, 1)) return "lightDirection";
        for (const ButtonBinding& binding : profile.buttons) {
            if (outside(binding.functionGroup, 0, 8)) return "functionGroup";
            if (outside(binding.macroActionCount, 0, 46)) return "macroActionCount";
            if (outside(binding.macroIndex, -1, macroCount - 1)) return "macroIndex";
            if (binding.macroName.back() != u'\0') return "macroName";
        }
    }
    return {};
}

TEST_F(ConfigFile, RandomFilesNeverYieldAnOutOfRangeIndex) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 2000; ++round) {
        writeBytes(path(), test::randomBytes(random, sizeof(DeviceConfig)));
        const std::size_t macroCount = static_cast<std::size_t>(round % 4);
        const ConfigLoadResult result = round % 2 ? loadConfig(*config, macroCount) : readConfig(*config, macroCount);
        ASSERT_FALSE(result.unreadable);
        ASSERT_EQ(firstOutOfRange(*config, round % 4), "") << "round " << round;
    }
}

}  // namespace
}  // namespace qx4
