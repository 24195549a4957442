#include <gtest/gtest.h>

#include "../test_files.h"
#include "core/config/record_bytes.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;
using test::macroNamed;

class MacroFiles : public ::testing::Test {
protected:
    test::ScopedDataDir data;
    std::filesystem::path exported(const char* name) const { return data.root() / "exports" / name; }
};

TEST_F(MacroFiles, ExportThenImportKeepsEverythingButAClashingName) {
    MacroList list = listOf({u"Jump"});
    list.at(0).loopCount = 12;
    list.at(0).actionCount = 5;
    ASSERT_TRUE(exportMacroFile(list.at(0), exported("jump.macro")));
    EXPECT_EQ(std::filesystem::file_size(exported("jump.macro")), 240u);

    MacroList other = listOf({u"JUMP"});
    const MacroStoreChange change = importMacroFile(exported("jump.macro"), other);
    ASSERT_NE(change.record, nullptr);
    EXPECT_TRUE(change.saved);
    EXPECT_EQ(macroNameText(change.record->name), u"Jump_1");
    EXPECT_EQ(change.record->loopCount, 12);
    EXPECT_TRUE(test::sameBytes(change.record->actions, list.at(0).actions));
    EXPECT_EQ(other.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(data.folder() / "macro.data"), 480u);
}

TEST_F(MacroFiles, ShortFilesAreZeroFilledAndEmptyOnesRefused) {
    test::writeBytes(exported("short.macro"), {u'S', 0, 0, 0, 0xAA, 0xBB});
    MacroList list;
    const MacroStoreChange change = importMacroFile(exported("short.macro"), list);
    ASSERT_NE(change.record, nullptr);
    EXPECT_EQ(macroNameText(change.record->name), u"S");
    EXPECT_EQ(change.record->loopCount, 0);
    EXPECT_EQ(change.record->actionCount, 0);

    test::writeBytes(exported("empty.macro"), {});
    EXPECT_EQ(importMacroFile(exported("empty.macro"), list).record, nullptr);
    EXPECT_EQ(importMacroFile(exported("missing.macro"), list).record, nullptr);
    EXPECT_EQ(importMacroFile(data.root(), list).record, nullptr);  // a folder
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(MacroFiles, NamelessImportsAreNamedAfterTheirFile) {
    MacroRecord nameless = macroNamed(u"", 3);
    ASSERT_TRUE(exportMacroFile(nameless, exported("Quick Reload.macro")));
    MacroList list = listOf({u"quick reload"});
    const MacroStoreChange change = importMacroFile(exported("Quick Reload.macro"), list);
    ASSERT_NE(change.record, nullptr);
    EXPECT_EQ(macroNameText(change.record->name), u"Quick Reload_1");
    EXPECT_EQ(change.record->actionCount, 3);
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
