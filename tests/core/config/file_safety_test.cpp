// How saves treat what is already there: modes, links, and what killed saves left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>

#include "tests/support/test_files.h"
#include "core/config/config_file.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override {
        applyDefaults(*config);
        fs::create_directories(data.folder());
        fs::create_directories(synced());
    }
    fs::path configFile() const { return data.folder() / "Config_1.data"; }
    fs::path macroFile() const { return data.folder() / "macro.data"; }
    fs::path synced() const { return data.root() / "synced"; }  // where a user keeps the real files

    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = std::make_unique<DeviceConfig>();
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
    MacroList macros;
    loadMacros(macros);
    for (const auto& file : stale) EXPECT_TRUE(fs::exists(file)) << "only loading for writing tidies up";

    loadConfig(*config, 0);
    for (const auto& file : stale) EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
}

}  // namespace
}  // namespace qx4
