#include <gtest/gtest.h>

#include "../test_files.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;

class MacroFiles : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path exported(const char* name) const { return data.root() / "exports" / name; }
};

TEST_F(MacroFiles, ExportThenImportKeepsEverythingButAClashingNameAndNamesNamelessOnesAfterTheFile) {
    MacroList list = listOf({u"Jump", u""});
    list.at(0).loopCount = 12;
    list.at(1).actionCount = 3;
    ASSERT_TRUE(exportMacroFile(list.at(0), exported("jump.macro")));
    ASSERT_TRUE(exportMacroFile(list.at(1), exported("Quick Reload.macro")));

    MacroList other = listOf({u"JUMP", u"quick reload"});
    const MacroStoreChange change = importMacroFile(exported("jump.macro"), other);
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(change.saved);
    MacroRecord expected = list.at(0);
    expected.name = toMacroName(u"Jump_1");
    EXPECT_TRUE(test::sameBytes(*change.record, expected));
    const MacroRecord* nameless = importMacroFile(exported("Quick Reload.macro"), other).record;
    ASSERT_NE(nameless, nullptr);
    expected = list.at(1);
    expected.name = toMacroName(u"Quick Reload_1");
    EXPECT_TRUE(test::sameBytes(*nameless, expected));
    EXPECT_EQ(std::filesystem::file_size(data.folder() / "macro.data"), 4 * 240u);
}

TEST_F(MacroFiles, ShortFilesAreZeroFilledAndEmptyOnesRefused) {
    std::vector<std::uint8_t> shortFile(50, 0);  // the name and half of the loop count
    shortFile[0] = u'S';
    shortFile[48] = 5;
    test::writeBytes(exported("short.macro"), shortFile);
    MacroList list;
    const MacroStoreChange change = importMacroFile(exported("short.macro"), list);
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(test::sameBytes(*change.record, MacroRecord{toMacroName(u"S"), 5, 0, {}}));

    test::writeBytes(exported("empty.macro"), {});
    EXPECT_EQ(importMacroFile(exported("empty.macro"), list).record, nullptr);
    EXPECT_EQ(importMacroFile(exported("missing.macro"), list).record, nullptr);
    EXPECT_EQ(importMacroFile(data.root(), list).record, nullptr);  // a folder
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(MacroFiles, RandomImportsStayInRange) {
    std::mt19937 random(977);
    MacroList list;
    for (int round = 0; round < 2000; ++round) {
        test::writeBytes(exported("random.macro"), test::randomBytes(random, 240));
        const MacroStoreChange change = importMacroFile(exported("random.macro"), list);
        if (change.record == nullptr) continue;
        ASSERT_GE(change.record->actionCount, 0);
        ASSERT_LE(change.record->actionCount, 46);
        ASSERT_FALSE(macroNameText(change.record->name).empty());
        ASSERT_EQ(findMacro(macroNameText(change.record->name), list), list.positionOf(change.record));
        list.clear();
    }
}

}  // namespace
}  // namespace qx4
