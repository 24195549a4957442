#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

DisplayText key(std::u16string text) { return {std::move(text), true}; }
DisplayText literal(std::u16string text) { return {std::move(text), false}; }

// tests/data/vocab/key_codes.txt holds the table as written down for the mouse, row by row.
TEST(KeyCodeConversion, UsLayoutFollowsTheTableRowByRow) {
    std::ifstream in(QX4_TEST_DATA_DIR "/vocab/key_codes.txt");
    std::size_t row = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('#')) continue;
        KeyCodeRow expected{};
        std::istringstream(line) >> std::hex >> expected.virtualKey >> expected.keyCode >> expected.scanCode;
        ASSERT_LT(row, KeyCodeTable.size());
        const KeyCodeRow& actual = KeyCodeTable[row++];
        EXPECT_EQ(actual.virtualKey, expected.virtualKey) << "row " << row - 1;
        EXPECT_EQ(actual.keyCode, expected.keyCode) << "row " << row - 1;
        EXPECT_EQ(actual.scanCode, expected.scanCode) << "row " << row - 1;
        std::int32_t code = -1, virtualKey = -1;
        EXPECT_TRUE(virtualKeyToKeyCode(expected.virtualKey, code));
        EXPECT_EQ(code, expected.keyCode) << "virtual key " << expected.virtualKey;
        EXPECT_TRUE(keyCodeToVirtualKey(expected.keyCode, virtualKey));
        EXPECT_EQ(virtualKey, expected.virtualKey) << "code " << expected.keyCode;
    }
    EXPECT_EQ(row, KeyCodeTable.size());

    std::int32_t code = -1, virtualKey = -1;
    EXPECT_FALSE(virtualKeyToKeyCode(0xAD, code));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(keyCodeToVirtualKey(0x32, virtualKey));
    EXPECT_EQ(virtualKey, 0);
}

TEST(KeyNames, ByLayoutCharacterOrLanguageKey) {
    const std::pair<std::int32_t, DisplayText> byCode[] = {
        {0x04, literal(u"A")},        {0x33, literal(u";")},          {0x28, key(u"key_Enter")},
        {0x39, key(u"key_Caplk")},    {0x63, key(u"key_Num_.")},      {0x64, key(u"key_\\")},
        {0xDD, key(u"`")},            {0xF5, key(u"Forward_Button")}, {0, literal(u"")},
        {3, literal(u"")},            {0x32, literal(u"")},           {0x66, literal(u"")},
        {0x69, literal(u"")},         {0xE8, literal(u"")},           {0xF6, literal(u"")},
        {-1, literal(u"")},           {300, literal(u"")}};
    for (const auto& [code, name] : byCode) EXPECT_EQ(keyCodeName(code), name) << "code " << code;

    const std::pair<std::uint32_t, DisplayText> byVirtualKey[] = {
        {0x10, key(u"key_LShift")},    {0xA0, key(u"key_LShift")}, {0x2A, key(u"key_Print Scr")},
        {0x2C, key(u"key_Print Scr")}, {0x6E, key(u"key_Num_.")},  {0xDE, literal(u"'")},
        {0xAD, literal(u"")}};
    for (const auto& [virtualKey, name] : byVirtualKey) EXPECT_EQ(virtualKeyName(virtualKey), name) << "vk " << virtualKey;
}

}  // namespace
}  // namespace qx4
