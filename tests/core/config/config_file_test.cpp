#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <optional>

#include "../expected_defaults.h"
#include "../record_invariants.h"
#include "../test_files.h"
#include "core/config/config_file.h"
#include "core/config/record_bytes.h"
#include "tests/support/virtual_mouse_process.h"

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

    // The next save keeps only the first record, so the whole file is kept aside first.
    saved.resize(saved.size() + 500, 0xEE);
    writeBytes(path(), saved);
    auto loaded = std::make_unique<DeviceConfig>();
    EXPECT_TRUE(readConfig(*loaded, 0).overlong);
    EXPECT_FALSE(std::filesystem::exists(data.folder() / "Config_1.data.damaged")) << "only loading for writing keeps it";
    const ConfigLoadResult result = loadConfig(*loaded, 0);
    EXPECT_FALSE(result.createdDefaults || result.damaged || result.unreadable || result.rangeRepaired);
    EXPECT_TRUE(result.overlong);
    EXPECT_EQ(result.damagedCopy, data.folder() / "Config_1.data.damaged");
    EXPECT_EQ(readBytes(result.damagedCopy), saved);
    EXPECT_TRUE(std::ranges::equal(recordBytes(*loaded), recordBytes(*config)));

    std::filesystem::remove(result.damagedCopy);
    std::filesystem::create_directory(result.damagedCopy);
    EXPECT_EQ(loadConfig(*loaded, 0).damagedCopy, "") << "a copy that cannot be kept is not claimed";
}

// Whatever sits where the file belongs and cannot be read is neither read (a FIFO or device would
// block or never end) nor replaced (it may be all the user has).
TEST_F(ConfigFile, WhatCannotBeReadIsNeitherReadNorReplaced) {
    const auto folder = [](const std::filesystem::path& at) { std::filesystem::create_directories(at); };
    const auto fifo = [](const std::filesystem::path& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); };
    const auto device = [](const std::filesystem::path& at) { std::filesystem::create_symlink("/dev/zero", at); };
    const auto loop = [](const std::filesystem::path& at) { test::makeUnreadable(at); };
    const std::pair<const char*, std::function<void(const std::filesystem::path&)>> cases[] = {
        {"folder", folder}, {"fifo", fifo}, {"device", device}, {"loop", loop}};
    for (const auto& [name, plant] : cases) {
        std::filesystem::remove_all(path());
        std::filesystem::create_directories(data.folder());
        plant(path());
        const auto before = std::filesystem::symlink_status(path()).type();
        const ConfigLoadResult result = loadConfig(*config, 0);
        EXPECT_TRUE(result.unreadable) << name;
        EXPECT_EQ(result.notRegularFile, std::string_view(name) != "loop") << name;
        EXPECT_FALSE(result.savedDefaults) << name;
        EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1) << name;
        EXPECT_FALSE(saveConfig(*config)) << name;
        EXPECT_EQ(std::filesystem::symlink_status(path()).type(), before) << name;
        EXPECT_EQ(filesInFolder(), 1) << name;
    }
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

// Files relative to whatever folder the program was started in would be lost and found at random.
TEST(DataFolder, IsAbsoluteOrRefusedWithItsReason) {
    struct Case {
        std::optional<std::string> dataDir, dataHome, home;
        const char* reason;  // in the refusal; nullptr: none
    };
    const Case cases[] = {
        {"/srv/qx4", std::nullopt, std::nullopt, nullptr},
        {std::nullopt, std::nullopt, "/home/ann", nullptr},
        {std::nullopt, "/data", std::nullopt, nullptr},
        {"qx4", std::nullopt, "/home/ann", "QX4_DATA_DIR is the relative path 'qx4'"},
        {std::nullopt, std::nullopt, std::nullopt, "HOME is not set"},
        {std::nullopt, "share", "", "HOME is not set"},
        {std::nullopt, std::nullopt, ".", "HOME is the relative path '.'"},
    };
    for (const Case& c : cases) {
        const test::ScopedEnv dataDir("QX4_DATA_DIR", c.dataDir);
        const test::ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        const test::ScopedEnv home("HOME", c.home);
        const auto problem = dataDirectoryProblem();
        if (c.reason == nullptr) {
            EXPECT_EQ(problem, std::nullopt);
            EXPECT_TRUE(dataDirectory().is_absolute()) << dataDirectory();
        } else {
            EXPECT_THAT(problem.value_or(""), ::testing::HasSubstr(c.reason));
        }
    }
}

TEST(ConfigImage, RandomImagesNeverYieldAnOutOfRangeIndex) {
    std::mt19937 random(20261206);
    auto config = std::make_unique<DeviceConfig>();
    for (int round = 0; round < 2000; ++round) {
        const auto bytes = test::randomBytes(random, sizeof(DeviceConfig));
        const std::size_t macroCount = static_cast<std::size_t>(round % 4);
        decodeConfigImage(std::as_bytes(std::span(bytes)), *config, macroCount);
        ASSERT_EQ(test::firstOutOfRange(*config, round % 4), "") << "round " << round;
    }
}

}  // namespace
}  // namespace qx4
