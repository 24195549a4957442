#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../test_files.h"
#include "macro_test_support.h"

namespace qx4 {
namespace {

using test::listOf;

class MacroFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(data.root() / "exports"); }
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

// A macro file has one size; anything else, a special file above all, is no macro.
TEST_F(MacroFiles, OnlyARegularFileOfExactlyOneRecordIsImported) {
    MacroList list;
    const auto refusal = [&](const std::filesystem::path& path) {
        const MacroStoreChange change = importMacroFile(path, list);
        EXPECT_EQ(change.record == nullptr, change.refused != MacroRefusal::none);
        return change.refused;
    };
    for (const std::size_t size : {0, 50, 239, 241, 480}) {
        test::writeBytes(exported("sized.macro"), std::vector<std::uint8_t>(size, 0x41));
        EXPECT_EQ(refusal(exported("sized.macro")), MacroRefusal::fileWrongSize) << size;
    }
    std::filesystem::resize_file(exported("sized.macro"), 2'000'000'000);
    EXPECT_EQ(refusal(exported("sized.macro")), MacroRefusal::fileWrongSize);
    EXPECT_EQ(refusal(exported("missing.macro")), MacroRefusal::fileUnreadable);
    EXPECT_EQ(refusal(data.root()), MacroRefusal::fileNotRegular);
    ASSERT_EQ(mkfifo(exported("pipe.macro").c_str(), 0600), 0);
    EXPECT_EQ(refusal(exported("pipe.macro")), MacroRefusal::fileNotRegular);
    EXPECT_TRUE(list.empty());

    test::writeBytes(exported("whole.macro"), std::vector<std::uint8_t>(240, 0x41));
    EXPECT_EQ(refusal(exported("whole.macro")), MacroRefusal::none);
    EXPECT_EQ(list.size(), 1u);
}

TEST(MacroFileImage, RandomRecordsImportInRangeUnderAFreeName) {
    std::mt19937 random(977);
    MacroList list = listOf({u"Macro1", u"fuzz"});
    for (int round = 0; round < 2000; ++round) {
        auto bytes = test::randomBytes(random, 240);
        bytes.resize(240);
        const auto record = decodeMacroFile(std::as_bytes(std::span(bytes)));
        ASSERT_TRUE(record.has_value());
        const MacroRecord& added = appendImportedMacro(*record, u"Fuzz", list);
        ASSERT_GE(added.actionCount, 0);
        ASSERT_LE(added.actionCount, 46);
        ASSERT_FALSE(macroNameText(added.name).empty());
        ASSERT_EQ(findMacro(macroNameText(added.name), list), list.positionOf(&added));
        list.remove(2);
    }
}

}  // namespace
}  // namespace qx4
