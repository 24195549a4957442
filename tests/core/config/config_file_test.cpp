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
};

// Each test of this program sets QX4_DATA_DIR for itself, so the others do not depend on what
// this one leaves behind.
TEST(DataDirectory, FollowsTheEnvironmentInOrder) {
    setenv("HOME", "/home/someone", 1);
    setenv("QX4_DATA_DIR", "/tmp/explicit", 1);
    setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(dataDirectory(), "/tmp/explicit/Data");
    EXPECT_EQ(configFilePath(), "/tmp/explicit/Data/ms_1/Config_1.data");
    EXPECT_EQ(macroFilePath(), "/tmp/explicit/Data/ms_1/macro.data");
    unsetenv("QX4_DATA_DIR");
    EXPECT_EQ(dataDirectory(), "/tmp/xdg/qx4-config/Data");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(dataDirectory(), "/home/someone/.local/share/qx4-config/Data");
    setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(dataDirectory(), "/home/someone/.local/share/qx4-config/Data");
}

TEST_F(ConfigFile, MissingFileGivesSavedDefaultsInNewFolders) {
    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_TRUE(result.createdDefaults);
    EXPECT_TRUE(result.savedDefaults);
    EXPECT_FALSE(result.damaged);
    EXPECT_EQ(readBytes(path()), test::expectedDefaultImage());
}

TEST_F(ConfigFile, ReadOnlyLoadWritesNothing) {
    const ConfigLoadResult result = readConfig(*config, 0);
    EXPECT_TRUE(result.createdDefaults);
    EXPECT_FALSE(result.savedDefaults);
    EXPECT_FALSE(std::filesystem::exists(data.root() / "Data"));
    EXPECT_EQ(config->profiles[4].buttons[0].functionCode, 1);
}

TEST_F(ConfigFile, SaveAndLoadRoundTripWithIdenticalRepeatSaves) {
    applyDefaults(*config);
    config->activeProfile = 3;
    config->profiles[3].dpiValuesX[5] = 77;
    config->profiles[3].reservedHead[17] = 0x5A;
    config->profiles[4].buttons[23].macroActions[45] = {0xF1, 2, 65535};
    ASSERT_TRUE(saveConfig(*config));
    const auto first = readBytes(path());
    ASSERT_TRUE(saveConfig(*config));
    EXPECT_EQ(readBytes(path()), first);
    EXPECT_EQ(first.size(), sizeof(DeviceConfig));

    auto loaded = std::make_unique<DeviceConfig>();
    const ConfigLoadResult result = loadConfig(*loaded, 0);
    EXPECT_FALSE(result.createdDefaults || result.damaged || result.unreadable || result.rangeRepaired);
    EXPECT_TRUE(std::ranges::equal(recordBytes(*loaded), recordBytes(*config)));
    // Only the file itself is left in the folder: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.folder()), {}), 1);
}

TEST_F(ConfigFile, FailedSaveLeavesNoTemporaryFile) {
    std::filesystem::create_directories(path());  // a folder where the file belongs
    applyDefaults(*config);
    EXPECT_FALSE(saveConfig(*config));
    EXPECT_TRUE(std::filesystem::is_directory(path()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.folder()), {}), 1);
}

TEST_F(ConfigFile, UnreadableFileIsNeitherUsedNorReplaced) {
    std::filesystem::create_directories(path());
    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_TRUE(result.unreadable);
    EXPECT_FALSE(result.savedDefaults);
    EXPECT_TRUE(std::filesystem::is_directory(path()));
    EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1);
}

// A short file would leave every later button at function 0 ("off"); its bytes go over the
// defaults instead, and the file itself is kept.
TEST_F(ConfigFile, ShortFileIsKeptAndLaidOverDefaults) {
    std::vector<std::uint8_t> shortFile(100, 0x11);
    shortFile[0] = 2;  // activeProfile 2
    shortFile[1] = shortFile[2] = shortFile[3] = 0;
    writeBytes(path(), shortFile);

    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_TRUE(result.damaged);
    EXPECT_EQ(result.damagedCopy, data.folder() / "Config_1.data.damaged");
    EXPECT_EQ(readBytes(result.damagedCopy), shortFile);
    EXPECT_EQ(readBytes(path()), shortFile);  // loading alone does not rewrite it

    EXPECT_EQ(config->activeProfile, 2);
    EXPECT_EQ(config->profiles[0].reservedHead[95], 0x11);
    EXPECT_EQ(config->profiles[0].reservedHead[96], 0);
    for (const ProfileSettings& profile : config->profiles) {
        EXPECT_EQ(profile.buttons[0].functionCode, 1);
        EXPECT_EQ(profile.dpiLevel, 2);
    }

    writeBytes(path(), {});
    EXPECT_TRUE(loadConfig(*config, 0).damaged);
    EXPECT_EQ(config->profiles[2].pollingRateIndex, 3);
}

TEST_F(ConfigFile, LongerFileGivesItsFirstRecord) {
    auto image = test::expectedDefaultImage();
    image[4 + 2356] = 1;  // profile 1 pollingRateIndex
    image.resize(image.size() + 500, 0xEE);
    writeBytes(path(), image);

    const ConfigLoadResult result = loadConfig(*config, 0);
    EXPECT_FALSE(result.damaged || result.rangeRepaired);
    EXPECT_EQ(config->profiles[0].pollingRateIndex, 1);
    EXPECT_EQ(readBytes(path()).size(), image.size());
}

// The first index or count out of its range, or empty. One check per record keeps the many
// rounds below fast under the sanitizers.
std::string firstOutOfRange(const DeviceConfig& config, std::size_t macroCount) {
    const auto outside = [](long long value, long long first, long long last) { return value < first || value > last; };
    if (outside(config.activeProfile, 0, 4)) return "activeProfile";
    for (const ProfileSettings& profile : config.profiles) {
        if (outside(profile.dpiLevel, 0, 7)) return "dpiLevel";
        if (outside(profile.lightDirection, 0, 1)) return "lightDirection";
        for (const ButtonBinding& binding : profile.buttons) {
            if (outside(binding.functionGroup, 0, 8)) return "functionGroup";
            if (outside(binding.macroActionCount, 0, 46)) return "macroActionCount";
            if (outside(binding.macroIndex, -1, static_cast<long long>(macroCount) - 1)) return "macroIndex";
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
        ASSERT_EQ(firstOutOfRange(*config, macroCount), "") << "round " << round;
    }
}

}  // namespace
}  // namespace qx4
