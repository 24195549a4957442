#include <gtest/gtest.h>

#include "../test_files.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;

class MacroStore : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path file() const { return data.folder() / "macro.data"; }
};

TEST(MacroNames, NewNamesCountUpAndAvoidCollisionsIgnoringCase) {
    MacroList list = listOf({u"Macro2", u"macro3"});
    EXPECT_EQ(uniqueMacroName(u"Macro4", list), u"Macro4");
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3_1");
    list.append(test::macroNamed(u"MACRO3_1"));
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3_2");

    EXPECT_FALSE(macroNameExists(u"Macro", list));
    EXPECT_TRUE(sameMacroName(u"ÄRGER Ωμέγα ДОМ", u"ärger ωμέγα дом"));
    EXPECT_FALSE(sameMacroName(u"straße", u"STRASSE"));
    EXPECT_FALSE(sameMacroName(u"Macro1", u"Macro1 "));
}

TEST(MacroNames, NeverExceed23UnitsAndShortenTheBaseBeforeTheSuffix) {
    const std::u16string longName = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";  // 26 units
    MacroList list;
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 23));
    list.append(test::macroNamed(longName.substr(0, 23)));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 21) + u"_1");
    for (char16_t n = u'1'; n <= u'9'; ++n) list.append(test::macroNamed(longName.substr(0, 21) + u"_" + n));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 20) + u"_10");
    // A cut never leaves half of a surrogate pair behind.
    EXPECT_EQ(uniqueMacroName(std::u16string(22, u'x') + u"\U0001F600", MacroList{}), std::u16string(22, u'x'));
}

TEST_F(MacroStore, CreatedMacrosAreSavedAndKeepTheirAddressAndStoredBytes) {
    MacroList list = listOf({u"Macro1", u"Macro2"});
    list.at(1).loopCount = 9;
    const MacroStoreChange change = createMacro(list, u"Macro");
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(change.saved);
    EXPECT_TRUE(test::sameBytes(*change.record, MacroRecord{toMacroName(u"Macro3"), 0, 0, {}}));

    MacroList loaded = listOf({u"already here"});
    ASSERT_EQ(loadMacros(loaded).appended, 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(test::sameBytes(loaded.at(i + 1), list.at(i))) << i;

    // The editor holds on to a record while others come and go.
    for (int i = 0; i < 200; ++i) list.append(test::macroNamed(u"filler"));
    list.remove(0);
    EXPECT_EQ(list.positionOf(change.record), 1u);
    EXPECT_EQ(macroNameText(change.record->name), u"Macro3");
}

TEST_F(MacroStore, PartialAndOutOfRangeRecordsAreMended) {
    MacroRecord whole = test::macroNamed(u"", 1000);
    whole.name.fill(u'n');  // no terminator
    const auto image = recordBytes(whole);
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()),
                                    reinterpret_cast<const std::uint8_t*>(image.data()) + image.size());
    bytes.insert(bytes.end(), {u'p', 0, u'q', 0, 0, 0});
    test::writeBytes(file(), bytes);

    MacroList list;
    ASSERT_EQ(loadMacros(list).appended, 2u);
    EXPECT_EQ(macroNameText(list.at(0).name), std::u16string(23, u'n'));
    EXPECT_EQ(list.at(0).actionCount, 46);
    EXPECT_TRUE(test::sameBytes(list.at(1), MacroRecord{toMacroName(u"pq"), 0, 0, {}}));
}

// Saving a list that lacks some of the file's macros would lose them: such a file is never
// written over, whatever the program is asked to do.
TEST_F(MacroStore, AFileThatWasNotReadWholeIsNeverWrittenOver) {
    const auto refusedEverything = [this](MacroList& list) {
        EXPECT_FALSE(saveMacros(list));
        EXPECT_EQ(createMacro(list, u"Macro").refused, MacroRefusal::storeProblem);
        test::writeBytes(data.root() / "a.macro", std::vector<std::uint8_t>(240, 0));
        EXPECT_EQ(importMacroFile(data.root() / "a.macro", list).refused, MacroRefusal::storeProblem);
    };

    test::makeUnreadable(file());
    MacroList unreadable;
    EXPECT_EQ(loadMacros(unreadable).problem, MacroStoreProblem::unreadable);
    EXPECT_TRUE(unreadable.empty());
    refusedEverything(unreadable);
    EXPECT_TRUE(std::filesystem::is_symlink(file()));

    std::filesystem::remove(file());
    std::filesystem::create_symlink("/dev/zero", file());
    MacroList endless;
    EXPECT_EQ(loadMacros(endless).problem, MacroStoreProblem::notRegularFile);
    EXPECT_TRUE(endless.empty());
    refusedEverything(endless);

    // A sparse file of 2 GB: its size is known before a byte is read, and only the first
    // kMacroStoreCapacity records are.
    std::filesystem::remove(file());
    test::writeBytes(file(), {u'A', 0});
    std::filesystem::resize_file(file(), 2'000'000'000);
    MacroList huge;
    const MacroLoadResult loaded = loadMacros(huge);
    EXPECT_EQ(loaded.problem, MacroStoreProblem::tooLarge);
    EXPECT_EQ(loaded.recordsInFile, 2'000'000'000u / 240 + 1);
    EXPECT_EQ(huge.size(), kMacroStoreCapacity);
    EXPECT_EQ(macroNameText(huge.at(0).name), u"A");
    refusedEverything(huge);
    EXPECT_EQ(std::filesystem::file_size(file()), 2'000'000'000u);

    // A full library read whole takes no more, so that it can always be read whole again.
    MacroList full;
    for (std::size_t i = 0; i < kMacroStoreCapacity; ++i) full.append(MacroRecord{});
    EXPECT_EQ(createMacro(full, u"Macro").refused, MacroRefusal::storeFull);
    full.append(MacroRecord{});
    EXPECT_FALSE(saveMacros(full));
}

TEST_F(MacroStore, RandomFilesLoadWithCountsInRange) {
    std::mt19937 random(5241);
    for (int round = 0; round < 2000; ++round) {
        const auto bytes = test::randomBytes(random, 240 * 8);
        test::writeBytes(file(), bytes);
        MacroList list;
        ASSERT_EQ(loadMacros(list).appended, (bytes.size() + 239) / 240);
        for (const MacroRecord& record : list) {
            ASSERT_GE(record.actionCount, 0);
            ASSERT_LE(record.actionCount, 46);
            ASSERT_EQ(record.name.back(), u'\0');
        }
    }
}

}  // namespace
}  // namespace qx4
