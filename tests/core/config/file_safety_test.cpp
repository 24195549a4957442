// How saves treat what is already there (modes, links, and what killed saves left behind), and
// what is exported and imported.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include "core/config/config_file.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"
#include "tests/support/test_files.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(config.get(), 0, sizeof(DeviceConfig));
        applyDefaults(*config);
        for (std::uint8_t k = 0; k < kProfileCount; ++k) config->profiles[k].reservedHead[7] = k;
        fs::create_directories(data.folder());
        fs::create_directories(synced());
    }
    fs::path configFile() const { return data.folder() / "Config_1.data"; }
    fs::path macroFile() const { return data.folder() / "macro.data"; }
    fs::path synced() const { return data.root() / "synced"; }  // where a user keeps the real files
    fs::path exported(const char* name) const { return data.root() / name; }

    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
    MacroList macros;
};

fs::perms permissionsOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; }

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
    ~ScopedUmask() { umask(old_); }

private:
    mode_t old_;
};

TEST_F(FileSafety, NewFilesArePrivateReplacedOnesKeepTheirModeAndLinksAreWrittenThrough) {
    const ScopedUmask usual(022);
    ASSERT_TRUE(saveConfig(*config));
    ASSERT_TRUE(saveMacros(MacroList{}));
    EXPECT_EQ(permissionsOf(configFile()), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(macroFile()), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(configFile(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(saveConfig(*config));
    EXPECT_EQ(permissionsOf(configFile()), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Relative links, as a user makes them; one to a file that is not there yet.
    fs::rename(configFile(), synced() / "qx4.data");
    fs::create_symlink("../../synced/qx4.data", configFile());
    fs::remove(macroFile());
    fs::create_symlink("../../synced/macros.data", macroFile());
    config->activeProfile = 3;
    ASSERT_TRUE(saveConfig(*config));
    ASSERT_TRUE(saveMacros(MacroList{}));

    EXPECT_TRUE(fs::is_symlink(configFile()));
    EXPECT_TRUE(fs::is_symlink(macroFile()));
    EXPECT_EQ(test::readBytes(synced() / "qx4.data").at(0), 3);
    EXPECT_EQ(permissionsOf(synced() / "qx4.data"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(permissionsOf(synced() / "macros.data"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(test::temporariesIn(synced()).empty());
    EXPECT_TRUE(test::temporariesIn(data.folder()).empty());
}

// Exports are for other machines and people, so they follow the umask as any saved file does,
// unlike the data files above; they never make folders, which a refused export would leave behind.
TEST_F(FileSafety, ExportsFollowTheUmaskAndMakeNoFolder) {
    const ScopedUmask usual(022);
    const fs::perms shared = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    const auto exportMacro = [](const fs::path& file) { return exportMacroFile(MacroRecord{}, file); };
    const auto exportActive = [this](const fs::path& file) { return exportProfile(*config, file); };
    const std::pair<const char*, std::function<bool(const fs::path&)>> exports[] = {
        {"set.pro", exportActive}, {"burst.macro", exportMacro}};
    for (const auto& [name, write] : exports) {
        ASSERT_TRUE(write(synced() / name)) << name;
        EXPECT_EQ(permissionsOf(synced() / name), shared) << name;
        EXPECT_FALSE(write(data.root() / "new" / "folder" / name)) << name;
        EXPECT_FALSE(fs::exists(data.root() / "new")) << name;
    }
}

pid_t processThatHasEnded() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(FileSafety, OpeningTheDataFolderRemovesOnlyTheTemporariesOfSavesThatDied) {
    fs::create_symlink("../../synced/qx4.data", configFile());
    const std::string dead = std::to_string(processThatHasEnded());
    const std::string running = std::to_string(getppid());
    const std::vector<fs::path> stale{
        data.folder() / ("Config_1.data.tmp-" + dead + "-0"), data.folder() / ("macro.data.tmp-" + dead + "-12"),
        data.folder() / ("Config_1.data.damaged.tmp-" + dead + "-3"), synced() / ("qx4.data.tmp-" + dead + "-1")};
    const std::vector<fs::path> kept{
        data.folder() / ("Config_1.data.tmp-" + running + "-0"),  // a save in progress
        data.folder() / ("Config_1.data.tmp-" + dead + "-x"), data.folder() / ("notes.txt.tmp-" + dead + "-0"),
        synced() / ("other.data.tmp-" + dead + "-0")};
    for (const auto& file : stale) test::writeBytes(file, {1, 2, 3});
    for (const auto& file : kept) test::writeBytes(file, {1, 2, 3});

    readConfig(*config, 0);
    loadMacros(macros);
    for (const auto& file : stale) EXPECT_TRUE(fs::exists(file)) << "only loading for writing tidies up";

    loadConfig(*config, 0);
    for (const auto& file : stale) EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
}

TEST_F(FileSafety, ImportRestoresTheExportedBlockIntoTheActiveProfileAndAddsItsMacros) {
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
    ASSERT_TRUE(exportProfile(*config, exported("sniper set.pro")));
    const auto written = test::readBytes(exported("sniper set.pro"));
    ASSERT_EQ(written.size(), kProfileFileSize);
    EXPECT_EQ(std::memcmp(written.data(), &config->profiles[2], kProfileFileSize), 0);

    const auto before = std::make_unique<DeviceConfig>(*config);
    config->activeProfile = 4;
    macros.append(MacroRecord{toMacroName(u"SNIPER SET"), 0, 0, {}});
    const ProfileImportResult result = importProfile(*config, macros, exported("sniper set.pro"));
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

TEST_F(FileSafety, OnlyARegularFileOfExactlyOneProfileIsImported) {
    const auto before = std::make_unique<DeviceConfig>(*config);
    ASSERT_EQ(mkfifo(exported("pipe.pro").c_str(), 0600), 0);
    EXPECT_EQ(importProfile(*config, macros, exported("pipe.pro")).status, ProfileImportStatus::notRegularFile);
    test::writeBytes(exported("huge.pro"), {1});
    std::filesystem::resize_file(exported("huge.pro"), 2'000'000'000);
    EXPECT_EQ(importProfile(*config, macros, exported("huge.pro")).status, ProfileImportStatus::wrongSize);
    EXPECT_EQ(importProfile(*config, macros, exported("missing.pro")).status, ProfileImportStatus::unreadable);
    EXPECT_EQ(std::memcmp(config.get(), before.get(), sizeof(DeviceConfig)), 0);
}

}  // namespace
}  // namespace qx4
