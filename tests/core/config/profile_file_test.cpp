#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "../test_files.h"
#include "core/config/config_file.h"
#include "core/config/profile_file.h"
#include "core/config/record_bytes.h"
#include "core/config/utf16_text.h"
#include "core/macro/macro_store.h"

namespace qx4 {
namespace {

using test::readBytes;
using test::writeBytes;

constexpr std::uint8_t kMacroFunction = 17;

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(config.get(), 0, sizeof(DeviceConfig));
        applyDefaults(*config);
        // Every profile different, so a block landing in the wrong place shows.
        for (int k = 0; k < kProfileCount; ++k) {
            auto& profile = config->profiles[static_cast<std::size_t>(k)];
            profile.dpiValuesX[0] = 10 + k;
            profile.lightColor = 0x00102030u + static_cast<std::uint32_t>(k);
            profile.reservedHead[7] = static_cast<std::uint8_t>(0xA0 + k);
        }
    }

    std::vector<std::uint8_t> profileBytes(int k) const {
        const auto bytes = recordBytes(*config);
        const auto begin = bytes.begin() + 4 + static_cast<std::ptrdiff_t>(kProfileFileSize) * k;
        std::vector<std::uint8_t> copy(kProfileFileSize);
        std::memcpy(copy.data(), &*begin, kProfileFileSize);
        return copy;
    }

    // A binding of the active profile made to hold a macro with `actions` steps.
    ButtonBinding& giveMacro(int button, std::u16string_view name, std::uint16_t actions) {
        ButtonBinding& binding = config->active().buttons[static_cast<std::size_t>(button)];
        binding.functionCode = kMacroFunction;
        binding.macroName = toMacroName(name);
        binding.macroLoopCount = 3 + button;
        binding.macroActionCount = actions;
        for (std::uint16_t i = 0; i < actions; ++i) {
            binding.macroActions[i] = {static_cast<std::uint8_t>(0x04 + i), 1, static_cast<std::uint16_t>(50 + button)};
        }
        binding.macroIndex = 40;  // a position in the exporting machine's list
        return binding;
    }

    std::filesystem::path file(const char* name) const { return data.root() / name; }

    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    MacroList macros;
};

TEST_F(ProfileFile, ExportWritesTheActiveBlockAndImportRestoresItByteForByte) {
    config->activeProfile = 2;
    ASSERT_TRUE(exportProfile(*config, file("p3.pro")));
    const auto written = readBytes(file("p3.pro"));
    ASSERT_EQ(written.size(), kProfileFileSize);
    EXPECT_EQ(written, profileBytes(2));

    const DeviceConfig before = *config;
    config->activeProfile = 4;
    const ProfileImportResult result = importProfile(*config, macros, file("p3.pro"));
    EXPECT_EQ(result.status, ProfileImportStatus::imported);
    EXPECT_EQ(result.macrosAdded, 0u);
    EXPECT_EQ(profileBytes(4), written);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(std::memcmp(&config->profiles[k], &before.profiles[k], kProfileFileSize), 0) << k;
    }
    EXPECT_TRUE(macros.empty());
    EXPECT_FALSE(std::filesystem::exists(macroFilePath())) << "no macro, no store write";

    // Exporting again over the same file replaces it rather than appending.
    ASSERT_TRUE(exportProfile(*config, file("p3.pro")));
    EXPECT_EQ(readBytes(file("p3.pro")).size(), kProfileFileSize);
}

TEST_F(ProfileFile, ImportAddsEachMacroUnderAFreeNameAndPointsItsBindingThere) {
    giveMacro(2, u"A", 4);
    giveMacro(5, u"A", 2);
    giveMacro(14, u"b", 1);
    ButtonBinding& notMacro = config->active().buttons[6];
    notMacro.macroName = toMacroName(u"stale");  // a name alone does not make a macro binding
    ASSERT_TRUE(exportProfile(*config, file("m.pro")));

    macros.append(MacroRecord{toMacroName(u"B"), 0, 0, {}});
    const ProfileImportResult result = importProfile(*config, macros, file("m.pro"));
    EXPECT_EQ(result.status, ProfileImportStatus::imported);
    EXPECT_EQ(result.macrosAdded, 3u);
    EXPECT_TRUE(result.macrosSaved);

    ASSERT_EQ(macros.size(), 4u);
    EXPECT_EQ(macroNameText(macros.at(1).name), u"A");
    EXPECT_EQ(macroNameText(macros.at(2).name), u"A_1");
    EXPECT_EQ(macroNameText(macros.at(3).name), u"b_1");
    const auto& buttons = config->active().buttons;
    EXPECT_EQ(macroNameText(buttons[2].macroName), u"A");
    EXPECT_EQ(macroNameText(buttons[5].macroName), u"A_1");
    EXPECT_EQ(macroNameText(buttons[14].macroName), u"b_1");
    EXPECT_EQ(buttons[2].macroIndex, 1);
    EXPECT_EQ(buttons[5].macroIndex, 2);
    EXPECT_EQ(buttons[14].macroIndex, 3);
    EXPECT_EQ(macroNameText(buttons[6].macroName), u"stale");

    const MacroRecord& second = macros.at(2);
    EXPECT_EQ(second.loopCount, 8);
    EXPECT_EQ(second.actionCount, 2);
    EXPECT_EQ(std::memcmp(second.actions.data(), buttons[5].macroActions.data(), sizeof(second.actions)), 0);

    // The store on disk holds the new macros too.
    EXPECT_EQ(readBytes(macroFilePath()).size(), 4 * kMacroRecordSize);

    // A second import of the same file adds them again beside the first ones.
    importProfile(*config, macros, file("m.pro"));
    ASSERT_EQ(macros.size(), 7u);
    EXPECT_EQ(macroNameText(macros.at(4).name), u"A_2");
    EXPECT_EQ(macroNameText(macros.at(5).name), u"A_3");
}

TEST_F(ProfileFile, ImportedNamesFitTheNameFieldAndNamelessMacrosAreNamedAfterTheFile) {
    const std::u16string longName = u"abcdefghijklmnopqrstuvw";  // 23 units, the most a name holds
    giveMacro(0, longName, 1);
    giveMacro(1, longName, 1);
    giveMacro(3, u"", 1);
    ASSERT_TRUE(exportProfile(*config, file("sniper set.pro")));

    importProfile(*config, macros, file("sniper set.pro"));
    ASSERT_EQ(macros.size(), 3u);
    const std::u16string first = macroNameText(macros.at(0).name);
    const std::u16string second = macroNameText(macros.at(1).name);
    EXPECT_EQ(first, longName);
    EXPECT_LE(second.size(), 23u);
    EXPECT_TRUE(second.ends_with(u"_1")) << utf16ToUtf8(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(macroNameText(config->active().buttons[1].macroName), second);
    EXPECT_EQ(macroNameText(macros.at(2).name), u"sniper set");
}

TEST_F(ProfileFile, ValuesThatSelectOrCountAreBroughtIntoRange) {
    ButtonBinding& binding = giveMacro(0, u"M", 4);
    binding.macroActionCount = 500;
    config->active().dpiLevel = 99;
    config->active().buttons[7].macroIndex = 1234;
    ASSERT_TRUE(exportProfile(*config, file("odd.pro")));

    importProfile(*config, macros, file("odd.pro"));
    const ProfileSettings& active = config->active();
    EXPECT_GE(active.dpiLevel, 0);
    EXPECT_LT(active.dpiLevel, kDpiLevelCount);
    EXPECT_EQ(active.buttons[7].macroIndex, -1);
    EXPECT_EQ(active.buttons[0].macroActionCount, kMacroActionCapacity);
    ASSERT_EQ(macros.size(), 1u);
    EXPECT_EQ(macros.at(0).actionCount, kMacroActionCapacity);
}

TEST_F(ProfileFile, AFileThatIsNotAProfileChangesNothing) {
    giveMacro(0, u"M", 1);
    ASSERT_TRUE(exportProfile(*config, file("good.pro")));
    auto bytes = readBytes(file("good.pro"));
    config->activeProfile = 1;
    const DeviceConfig before = *config;

    const std::vector<std::vector<std::uint8_t>> wrongSizes{
        {},
        std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100),
        std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1),
        [&] { auto longer = bytes; longer.push_back(0); return longer; }(),
    };
    for (const auto& content : wrongSizes) {
        writeBytes(file("bad.pro"), content);
        const ProfileImportResult result = importProfile(*config, macros, file("bad.pro"));
        EXPECT_EQ(result.status, ProfileImportStatus::wrongSize) << content.size() << " bytes";
        EXPECT_EQ(result.macrosAdded, 0u);
    }
    EXPECT_EQ(importProfile(*config, macros, file("missing.pro")).status, ProfileImportStatus::unreadable);
    EXPECT_EQ(importProfile(*config, macros, data.root()).status, ProfileImportStatus::unreadable);

    EXPECT_EQ(std::memcmp(config.get(), &before, sizeof(DeviceConfig)), 0);
    EXPECT_TRUE(macros.empty());
    EXPECT_FALSE(std::filesystem::exists(macroFilePath()));
}

TEST_F(ProfileFile, ExportToAPlaceThatCannotBeWrittenSaysSo) {
    writeBytes(file("a-file"), {1, 2, 3});
    EXPECT_FALSE(exportProfile(*config, file("a-file") / "inside.pro"));
    EXPECT_EQ(readBytes(file("a-file")).size(), 3u);
}

}  // namespace
}  // namespace qx4
