#include <gtest/gtest.h>

#include "../test_files.h"
#include "core/config/record_bytes.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;
using test::macroNamed;

class MacroStore : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path file() const { return data.folder() / "macro.data"; }
};

TEST(MacroNames, NewNamesCountUpAndAvoidCollisionsIgnoringCase) {
    MacroList list = listOf({u"Macro1", u"Macro2"});
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3");
    list = listOf({u"Macro2", u"macro3"});
    EXPECT_EQ(uniqueMacroName(u"Macro3", list), u"Macro3_1");
    list.append(macroNamed(u"MACRO3_1"));
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
    list.append(macroNamed(longName.substr(0, 23)));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 21) + u"_1");
    for (int n = 1; n <= 9; ++n) list.append(macroNamed(longName.substr(0, 21) + u"_" + char16_t(u'0' + n)));
    EXPECT_EQ(uniqueMacroName(longName, list), longName.substr(0, 20) + u"_10");

    // A cut never leaves half of a surrogate pair behind.
    const std::u16string emoji = std::u16string(22, u'x') + u"\U0001F600";
    EXPECT_EQ(uniqueMacroName(emoji, MacroList{}), std::u16string(22, u'x'));
}

TEST_F(MacroStore, CreatedMacrosAreZeroApartFromTheirNameAndSaved) {
    MacroList list = listOf({u"Macro1", u"Macro2"});
    const MacroStoreChange change = createMacro(list, u"Macro");
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(change.saved);
    EXPECT_EQ(macroNameText(change.record->name), u"Macro3");
    MacroRecord expected{};
    expected.name = toMacroName(u"Macro3");
    EXPECT_TRUE(std::ranges::equal(recordBytes(*change.record), recordBytes(expected)));
    EXPECT_EQ(std::filesystem::file_size(file()), 3 * 240u);
}

TEST_F(MacroStore, RecordsKeepTheirAddressWhileTheListChanges) {
    MacroList list;
    MacroRecord* first = createMacro(list, u"M").record;
    MacroRecord* second = createMacro(list, u"M").record;
    for (int i = 0; i < 200; ++i) list.append(macroNamed(u"filler"));
    list.remove(0);
    EXPECT_EQ(list.positionOf(second), 0u);
    EXPECT_EQ(&list.at(0), second);
    EXPECT_EQ(macroNameText(second->name), u"M2");
    EXPECT_FALSE(list.positionOf(first).has_value());
    EXPECT_EQ(macroAt(201, list), nullptr);
}

TEST_F(MacroStore, SaveAndLoadRoundTrip) {
    MacroList empty;
    ASSERT_TRUE(saveMacros(empty));
    EXPECT_EQ(std::filesystem::file_size(file()), 0u);

    MacroList list = listOf({u"a", u"b", u"c"});
    list.at(1).loopCount = 9;
    list.at(2).actionCount = 46;
    ASSERT_TRUE(saveMacros(list));
    EXPECT_EQ(std::filesystem::file_size(file()), 720u);

    std::filesystem::remove(file());
    MacroList loaded = listOf({u"already here"});
    EXPECT_EQ(loadMacros(loaded), 0u);
    ASSERT_TRUE(saveMacros(list));
    EXPECT_EQ(loadMacros(loaded), 3u);
    ASSERT_EQ(loaded.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::ranges::equal(recordBytes(loaded.at(i + 1)), recordBytes(list.at(i))));
    }
}

TEST_F(MacroStore, PartialAndOutOfRangeRecordsAreMended) {
    MacroRecord whole = macroNamed(u"whole", 1000);
    whole.name.fill(u'n');  // no terminator
    const auto image = recordBytes(whole);
    std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image.data()),
                                    reinterpret_cast<const std::uint8_t*>(image.data()) + image.size());
    const std::vector<std::uint8_t> part{u'p', 0, u'q', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), part.begin(), part.end());
    test::writeBytes(file(), bytes);

    MacroList list;
    ASSERT_EQ(loadMacros(list), 2u);
    EXPECT_EQ(macroNameText(list.at(0).name), std::u16string(23, u'n'));
    EXPECT_EQ(list.at(0).actionCount, 46);
    EXPECT_EQ(macroNameText(list.at(1).name), u"pq");
    MacroRecord expected{};
    expected.name = toMacroName(u"pq");
    EXPECT_TRUE(std::ranges::equal(recordBytes(list.at(1)), recordBytes(expected)));
}

TEST_F(MacroStore, RandomFilesLoadWithCountsInRange) {
    std::mt19937 random(5241);
    for (int round = 0; round < 2000; ++round) {
        const auto bytes = test::randomBytes(random, 240 * 8);
        test::writeBytes(file(), bytes);
        MacroList list;
        ASSERT_EQ(loadMacros(list), (bytes.size() + 239) / 240);
        for (const MacroRecord& record : list) {
            ASSERT_GE(record.actionCount, 0);
            ASSERT_LE(record.actionCount, 46);
            ASSERT_EQ(record.name.back(), u'\0');
        }
    }
}

}  // namespace
}  // namespace qx4
