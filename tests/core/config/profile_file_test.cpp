#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "tests/support/test_files.h"
#include "core/config/config_file.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"

namespace qx4 {
namespace {

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(config.get(), 0, sizeof(DeviceConfig));
        applyDefaults(*config);
        for (int k = 0; k < kProfileCount; ++k) config->profiles[static_cast<std::size_t>(k)].reservedHead[7] = static_cast<std::uint8_t>(k);
    }
    std::filesystem::path file(const char* name) const { return data.root() / name; }

    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    MacroList macros;
};

TEST_F(ProfileFile, ImportRestoresTheExportedBlockIntoTheActiveProfileAndAddsItsMacros) {
    config->activeProfile = 2;
    const std::pair<int, std::u16string_view> macroButtons[] = {{2, u"A"}, {5, u"A"}, {14, u""}};
    for (auto [button, name] : macroButtons) {
        ButtonBinding& binding = config->active().buttons[static_cast<std::size_t>(button)];
        binding.functionCode = kMacroFunctionCode;
        binding.macroName = toMacroName(name);
        binding.macroLoopCount = button;
        binding.macroActionCount = button == 5 ? 500 : 2;  // 500: more than a binding holds
        binding.macroActions[1] = {static_cast<std::uint8_t>(button), 1, 50};
        binding.macroIndex = 40;  // a position in the exporting machine's list
    }
    config->active().buttons[6].macroName = toMacroName(u"stale");  // a name alone is no macro
    ASSERT_TRUE(exportProfile(*config, file("sniper set.pro")));
    const auto written = test::readBytes(file("sniper set.pro"));
    ASSERT_EQ(written.size(), kProfileFileSize);
    EXPECT_EQ(std::memcmp(written.data(), &config->profiles[2], kProfileFileSize), 0);

    const auto before = std::make_unique<DeviceConfig>(*config);
    config->activeProfile = 4;
    macros.append(MacroRecord{toMacroName(u"SNIPER SET"), 0, 0, {}});
    const ProfileImportResult result = importProfile(*config, macros, file("sniper set.pro"));
    EXPECT_EQ(result.status, ProfileImportStatus::imported);
    EXPECT_TRUE(result.macrosSaved);
    EXPECT_EQ(std::memcmp(&config->profiles, &before->profiles, 4 * kProfileFileSize), 0);
    EXPECT_EQ(config->profiles[4].reservedHead[7], 2);

    // Free names, ignoring case; a nameless macro is named after the file.
    ASSERT_EQ(macros.size(), 4u);
    const std::u16string names[] = {u"A", u"A_1", u"sniper set_1"};
    for (std::size_t i = 0; i < 3; ++i) {
        const ButtonBinding& binding = config->profiles[4].buttons[static_cast<std::size_t>(macroButtons[i].first)];
        const MacroRecord& added = macros.at(i + 1);
        EXPECT_EQ(macroNameText(added.name), names[i]);
        EXPECT_EQ(macroNameText(binding.macroName), names[i]);
        EXPECT_EQ(binding.macroIndex, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(added.loopCount, binding.macroLoopCount);
        EXPECT_EQ(added.actions[1].code, macroButtons[i].first);
        EXPECT_EQ(added.actionCount, std::min<int>(binding.macroActionCount, kMacroActionCapacity));
    }
    EXPECT_EQ(config->profiles[4].buttons[5].macroActionCount, kMacroActionCapacity);
    EXPECT_EQ(test::readBytes(macroFilePath()).size(), 4 * kMacroRecordSize);
}

TEST_F(ProfileFile, OnlyARegularFileOfExactlyOneProfileIsImported) {
    const auto before = std::make_unique<DeviceConfig>(*config);
    ASSERT_EQ(mkfifo(file("pipe.pro").c_str(), 0600), 0);
    EXPECT_EQ(importProfile(*config, macros, file("pipe.pro")).status, ProfileImportStatus::notRegularFile);
    test::writeBytes(file("huge.pro"), {1});
    std::filesystem::resize_file(file("huge.pro"), 2'000'000'000);
    EXPECT_EQ(importProfile(*config, macros, file("huge.pro")).status, ProfileImportStatus::wrongSize);
    EXPECT_EQ(importProfile(*config, macros, file("missing.pro")).status, ProfileImportStatus::unreadable);
    EXPECT_EQ(std::memcmp(config.get(), before.get(), sizeof(DeviceConfig)), 0);
}

}  // namespace
}  // namespace qx4
