// The configuration file and its defaults, how saves treat what is already there (modes, links,
// and what killed saves left behind), and what is exported and imported.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <limits>

#include "core/config/config_file.h"
#include "core/config/config_range.h"
#include "core/config/record_bytes.h"
#include "core/config/stored_color.h"
#include "core/edit/profile_file.h"
#include "core/macro/macro_store.h"
#include "core/vocab/function_wire_table.h"
#include "tests/support/expected_defaults.h"
#include "tests/support/macro_lists.h"
#include "tests/support/record_invariants.h"
#include "tests/support/sample_record.h"
#include "tests/support/test_files.h"
#include "tests/support/virtual_mouse_process.h"

namespace qx4 {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

// The defaults laid over a record filled with 0xAB: every listed field as written out by offset,
// and reservedHead, the spare texts after their terminators, padding and gaps carried through (a
// reset of a loaded record); the button region is cleared whole before its fields are set.
TEST(ConfigDefaults, MatchTheFieldTableByteForByteAndLeaveUnlistedBytesAlone) {
    auto config = test::newRecord(false);
    std::memset(config.get(), 0xAB, sizeof(DeviceConfig));
    applyDefaults(*config);
    const auto bytes = recordBytes(*config);
    const auto expected = test::expectedDefaultImage();
    ASSERT_EQ(bytes.size(), expected.size());
    const std::pair<std::size_t, std::size_t> unlisted[] = {{0, 200},     {202, 1200},  {1202, 2200}, {2209, 2212},
                                                            {2216, 2224}, {2236, 2244}, {2365, 2368}};
    for (std::size_t offset = 0; offset < expected.size(); ++offset) {
        const std::size_t i = (offset - 4) % test::kProfileSize;
        const bool kept = offset >= 4 && std::ranges::any_of(unlisted, [i](auto range) { return i >= range.first && i < range.second; });
        ASSERT_EQ(std::to_integer<int>(bytes[offset]), kept ? 0xAB : expected[offset]) << "byte " << offset << ", profile byte " << i;
    }
    EXPECT_EQ(storedToArgb(0x563412), 0xFF123456u) << "colours are stored red first";
}

// What the range rule does with a value outside, that it leaves alone what is inside, and that no
// index of a random image stays out of range.
TEST(RangeRule, SelectionsFallBackToTheirDefaultsCountsAreClampedAndTheRestIsKept) {
    auto config = test::newRecord();
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
    auto before = test::copyOf(*config);
    EXPECT_FALSE(normalizeConfig(*config, 3));
    EXPECT_EQ(std::memcmp(config.get(), before.get(), sizeof(DeviceConfig)), 0);
    binding.macroName.fill(u'x');
    EXPECT_TRUE(normalizeConfig(*config, 3)) << "a macro name without its end, alone";

    config->activeProfile = std::numeric_limits<std::int32_t>::min();
    profile.dpiLevel = 8;
    profile.lightDirection = 2;
    binding.functionGroup = 9;
    binding.macroActionCount = 47;
    binding.macroName.fill(u'x');
    EXPECT_TRUE(normalizeConfig(*config, 2));
    EXPECT_EQ(std::tie(config->activeProfile, profile.dpiLevel, profile.lightDirection, profile.pollingRateIndex),
              std::make_tuple(0, 2, 1, 7));
    EXPECT_EQ(std::tie(binding.functionGroup, binding.macroActionCount, binding.macroIndex),
              std::make_tuple(std::uint8_t{0}, std::uint16_t{46}, -1));
    EXPECT_EQ(binding.macroName[22], u'x');
    EXPECT_EQ(binding.macroName[23], u'\0');

    std::mt19937 random(20261206);
    for (int round = 0; round < 2000; ++round) {
        const auto bytes = test::randomBytes(random, sizeof(DeviceConfig));
        const std::size_t macroCount = static_cast<std::size_t>(round % 4);
        decodeConfigImage(std::as_bytes(std::span(bytes)), *config, macroCount);
        ASSERT_EQ(test::firstOutOfRange(*config, round % 4), "") << "round " << round;
    }
}

class ConfigFile : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::unique_ptr<DeviceConfig> config = test::newRecord(false);
    fs::path path() const { return data.folder() / "Config_1.data"; }
    long filesInFolder() const { return std::distance(fs::directory_iterator(data.folder()), {}); }
};

// A missing file gives defaults that only loading saves; saves load back as saved.
TEST_F(ConfigFile, DefaultsSavesAndLoadsRoundTripAndALongerFileGivesItsFirstRecord) {
    EXPECT_TRUE(readConfig(*config, 0).createdDefaults);
    EXPECT_FALSE(fs::exists(data.root() / "Data"));
    const ConfigLoadResult first = loadConfig(*config, 0);
    EXPECT_TRUE(first.createdDefaults && first.savedDefaults);
    EXPECT_EQ(readBytes(path()), test::expectedDefaultImage());

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
    auto loaded = test::newRecord(false);
    EXPECT_TRUE(readConfig(*loaded, 0).overlong);
    EXPECT_FALSE(fs::exists(data.folder() / "Config_1.data.damaged")) << "only loading for writing keeps it";
    const ConfigLoadResult result = loadConfig(*loaded, 0);
    EXPECT_FALSE(result.createdDefaults || result.damaged || result.unreadable || result.rangeRepaired);
    EXPECT_TRUE(result.overlong);
    EXPECT_TRUE(std::ranges::equal(recordBytes(*loaded), recordBytes(*config)));
}

// Whatever sits where the file belongs and cannot be read is neither read (a FIFO or device would
// block or never end) nor replaced, nor written through (it may be all the user has).
TEST_F(ConfigFile, WhatCannotBeReadIsNeitherReadNorReplaced) {
    const auto folder = [](const fs::path& at) { fs::create_directories(at); };
    const auto fifo = [](const fs::path& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); };
    const auto linkedFifo = [&](const fs::path& at) {
        fs::remove(data.root() / "pipe");
        fifo(data.root() / "pipe");
        fs::create_symlink(data.root() / "pipe", at);
    };
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"folder", folder}, {"fifo", fifo}, {"link to a fifo", linkedFifo}, {"loop", test::makeUnreadable}};
    for (const auto& [name, plant] : cases) {
        fs::remove_all(path());
        fs::create_directories(data.folder());
        plant(path());
        const auto before = fs::symlink_status(path()).type();
        const ConfigLoadResult result = loadConfig(*config, 0);
        EXPECT_TRUE(result.unreadable) << name;
        EXPECT_EQ(result.notRegularFile, std::string_view(name) != "loop") << name;
        EXPECT_FALSE(result.savedDefaults) << name;
        EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1) << name;
        EXPECT_FALSE(saveConfig(*config)) << name;
        EXPECT_EQ(fs::symlink_status(path()).type(), before) << name;
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

    EXPECT_TRUE(readConfig(*config, 0).damaged);
    EXPECT_FALSE(fs::exists(data.folder() / "Config_1.data.damaged")) << "reading alone writes nothing";
    EXPECT_TRUE(loadConfig(*config, 0).damaged);
    EXPECT_EQ(readBytes(data.folder() / "Config_1.data.damaged"), shortFile);
    EXPECT_EQ(readBytes(path()), shortFile);  // loading alone does not rewrite it
    EXPECT_EQ(config->activeProfile, 2);
    EXPECT_EQ(config->profiles[0].reservedHead[95], 0x11);
    EXPECT_EQ(config->profiles[0].reservedHead[96], 0);
    EXPECT_EQ(config->profiles[0].buttons[0].functionCode, 1);
    EXPECT_EQ(config->profiles[4].dpiLevel, 2);
}

// The copy of what the mouse holds is trusted whole only: missing, short or long, there is none.
TEST_F(ConfigFile, TheMouseCopyIsReadOnlyWhole) {
    EXPECT_EQ(readMouseCopy(0), nullptr);
    config = test::newRecord();
    config->profiles[2].dpiLevel = 5;
    ASSERT_TRUE(saveMouseCopy(*config));
    const auto copy = readMouseCopy(0);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(test::sameBytes(*copy, *config));
    const auto whole = readBytes(mouseCopyFilePath());
    for (const std::size_t size : {whole.size() - 1, whole.size() + 1}) {
        auto bytes = whole;
        bytes.resize(size, 0);
        writeBytes(mouseCopyFilePath(), bytes);
        EXPECT_EQ(readMouseCopy(0), nullptr) << size;
    }
}

// Files relative to whatever folder the program was started in would be lost and found at random;
// qx4ctl's tests refuse a relative QX4_DATA_DIR and a missing HOME.
TEST(DataFolder, IsAbsoluteOrRefusedWithItsReason) {
    // XDG_DATA_HOME, HOME, and what the refusal says (nullptr: none).
    const std::tuple<std::optional<std::string>, std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "/home/ann", nullptr},
        {"/data", std::nullopt, nullptr},
        {"share", "", "HOME is not set"},
        {std::nullopt, ".", "HOME is the relative path '.'"},
    };
    const test::ScopedEnv dataDir("QX4_DATA_DIR", std::nullopt);
    for (const auto& [dataHomeValue, homeValue, reason] : cases) {
        const test::ScopedEnv dataHome("XDG_DATA_HOME", dataHomeValue);
        const test::ScopedEnv home("HOME", homeValue);
        const auto problem = dataDirectoryProblem();
        if (reason == nullptr) {
            EXPECT_EQ(problem, std::nullopt);
            EXPECT_TRUE(dataDirectory().is_absolute()) << dataDirectory();
        } else {
            EXPECT_THAT(problem.value_or(""), ::testing::HasSubstr(reason));
        }
    }
}

// Under the usual umask, which a new data file must not follow.
class FileSafety : public ConfigFile {
protected:
    void SetUp() override {
        applyDefaults(*config);
        for (std::uint8_t k = 0; k < kProfileCount; ++k) config->profiles[k].reservedHead[7] = k;
        fs::create_directories(data.folder());
        fs::create_directories(synced());
    }
    void TearDown() override { umask(umask_); }
    fs::path macroFile() const { return data.folder() / "macro.data"; }
    fs::path synced() const { return data.root() / "synced"; }  // where a user keeps the real files
    fs::path exported(const char* name) const { return data.root() / name; }

    MacroList macros;
    mode_t umask_ = umask(022);
};

fs::perms permissionsOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::all; }

TEST_F(FileSafety, NewFilesArePrivateReplacedOnesKeepTheirModeAndLinksAreWrittenThrough) {
    ASSERT_TRUE(saveConfig(*config));
    ASSERT_TRUE(saveMacros(MacroList{}));
    EXPECT_EQ(permissionsOf(path()), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(permissionsOf(macroFile()), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(saveConfig(*config));
    EXPECT_EQ(permissionsOf(path()), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Relative links, as a user makes them; one to a file that is not there yet.
    fs::rename(path(), synced() / "qx4.data");
    fs::create_symlink("../../synced/qx4.data", path());
    fs::remove(macroFile());
    fs::create_symlink("../../synced/macros.data", macroFile());
    config->activeProfile = 3;
    ASSERT_TRUE(saveConfig(*config));
    ASSERT_TRUE(saveMacros(MacroList{}));

    EXPECT_TRUE(fs::is_symlink(path()));
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

TEST_F(FileSafety, OpeningTheDataFolderRemovesOnlyTheTemporariesOfSavesThatDied) {
    fs::create_symlink("../../synced/qx4.data", path());
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string dead = std::to_string(ended);
    const std::string running = std::to_string(getppid());
    const std::vector<fs::path> stale{
        data.folder() / ("Config_1.data.tmp-" + dead + "-0"), data.folder() / ("macro.data.tmp-" + dead + "-12"),
        data.folder() / ("Config_1.data.damaged.tmp-" + dead + "-3"), synced() / ("qx4.data.tmp-" + dead + "-1")};
    const std::vector<fs::path> kept{
        data.folder() / ("Config_1.data.tmp-" + running + "-0"),  // a save in progress
        data.folder() / ("Config_1.data.tmp-" + dead + "-x"), data.folder() / ("Config_1.data.tmp-" + dead + "-"),
        data.folder() / "Config_1.data.tmp--0", data.folder() / ("notes.txt.tmp-" + dead + "-0"),
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

    const auto before = test::copyOf(*config);
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

    // A profile that plays no macro adds none and leaves the library's file alone.
    config->activeProfile = 0;
    ASSERT_TRUE(exportProfile(*config, exported("plain.pro")));
    fs::remove(macroFilePath());
    const ProfileImportResult plain = importProfile(*config, macros, exported("plain.pro"));
    EXPECT_EQ(std::tie(plain.status, plain.macrosAdded, plain.macrosSaved),
              std::make_tuple(ProfileImportStatus::imported, 0u, false));
    EXPECT_FALSE(fs::exists(macroFilePath()));
}

// Only a regular file of exactly one exported profile or macro is imported; anything else is
// refused with its reason and changes neither the record nor the macros, nor waits for a writer.
TEST_F(FileSafety, AnImportOfAnythingButOneExportedFileChangesNothing) {
    enum class Refusal { wrongSize, unreadable, notRegular };
    const auto sized = [](long change) {
        return [change](const fs::path& at, std::size_t whole) {
            test::writeBytes(at, {0x41});
            fs::resize_file(at, static_cast<std::uintmax_t>(static_cast<long>(whole) + change));
        };
    };
    const auto fifo = [](const fs::path& at, std::size_t) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); };
    const std::tuple<const char*, std::function<void(const fs::path&, std::size_t)>, Refusal> cases[] = {
        {"empty", [](const fs::path& at, std::size_t) { test::writeBytes(at, {}); }, Refusal::wrongSize},
        {"a byte short", sized(-1), Refusal::wrongSize},
        {"a byte long", sized(1), Refusal::wrongSize},
        {"two of them", [](const fs::path& at, std::size_t whole) { test::writeBytes(at, std::vector<std::uint8_t>(2 * whole)); },
         Refusal::wrongSize},
        {"2 GB, sparse", sized(2'000'000'000), Refusal::wrongSize},
        {"missing", [](const fs::path&, std::size_t) {}, Refusal::unreadable},
        {"a link to itself", [](const fs::path& at, std::size_t) { test::makeUnreadable(at); }, Refusal::unreadable},
        {"a folder", [](const fs::path& at, std::size_t) { fs::create_directories(at); }, Refusal::notRegular},
        {"a fifo", fifo, Refusal::notRegular},
    };
    macros = test::listOf({u"kept"});
    const auto recordBefore = test::copyOf(*config);
    int round = 0;
    for (const auto& [what, plant, refusal] : cases) {
        SCOPED_TRACE(what);
        const fs::path profile = exported("p") += std::to_string(++round) + ".pro";
        const fs::path macro = exported("m") += std::to_string(round) + ".macro";
        plant(profile, kProfileFileSize);
        plant(macro, kMacroRecordSize);
        const ProfileImportStatus profileStatus[] = {ProfileImportStatus::wrongSize, ProfileImportStatus::unreadable,
                                                     ProfileImportStatus::notRegularFile};
        const MacroRefusal macroRefusal[] = {MacroRefusal::fileWrongSize, MacroRefusal::fileUnreadable,
                                             MacroRefusal::fileNotRegular};
        const ProfileImportResult imported = importProfile(*config, macros, profile);
        EXPECT_EQ(imported.status, profileStatus[static_cast<int>(refusal)]);
        EXPECT_EQ(std::tie(imported.macrosAdded, imported.macrosSaved), std::make_tuple(0u, false));
        const MacroStoreChange change = importMacroFile(macro, macros);
        EXPECT_EQ(change.refused, macroRefusal[static_cast<int>(refusal)]);
        EXPECT_EQ(change.record, nullptr);
        EXPECT_FALSE(change.saved) << "nothing to save";
        EXPECT_TRUE(test::sameBytes(*config, *recordBefore));
        EXPECT_EQ(macros.size(), 1u);
    }
    const std::vector<std::byte> shortImage(kProfileFileSize - 1);
    const ProfileImportResult image = importProfileImage(*config, macros, shortImage, u"short");
    EXPECT_EQ(std::tie(image.status, image.macrosAdded, image.macrosSaved),
              std::make_tuple(ProfileImportStatus::wrongSize, 0u, false));
    EXPECT_TRUE(test::sameBytes(*config, *recordBefore));
    test::writeBytes(exported("whole.macro"), std::vector<std::uint8_t>(kMacroRecordSize, 0x41));
    EXPECT_EQ(importMacroFile(exported("whole.macro"), macros).refused, MacroRefusal::none);
}

}  // namespace
}  // namespace qx4
