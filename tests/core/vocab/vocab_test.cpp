#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

TEST(FunctionCatalogue, EverySelectorItemRoundTripsThroughItsCodeAndWorkedSelections) {
    for (FunctionGroup group : {FunctionGroup::mouse, FunctionGroup::dpi, FunctionGroup::profile, FunctionGroup::media,
                                FunctionGroup::system, FunctionGroup::shortcut}) {
        const int items = static_cast<int>(selectorItems(group).size());
        ASSERT_GT(items, 0);
        for (int item = 0; item < items; ++item) {
            const auto code = groupItemToCode(group, item);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(codeToGroupItem(group, *code), item) << "group " << int(group) << " item " << item;
            EXPECT_FALSE(functionTextKey(*code).empty()) << "code " << int(*code);
        }
        EXPECT_FALSE(groupItemToCode(group, -1).has_value());
        EXPECT_FALSE(groupItemToCode(group, items).has_value());
    }
    EXPECT_EQ(selectorItems(FunctionGroup::media).size(), 18u);
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 10), 22);  // easy aim
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 13), 0);   // off
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 13), 0);   // tilt is offered nowhere: item 0
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 7), 6);    // DPI up sits in two selectors
    EXPECT_EQ(codeToGroupItem(FunctionGroup::dpi, 7), 1);
    EXPECT_EQ(groupItemToCode(FunctionGroup::keyboard, 3), kKeyboardFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::macro, 0), kMacroFunctionCode);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 6), 7);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 17), 0);  // the upper twelve repeat
}

// tests/data/vocab/key_codes.txt holds the table as written down for the mouse, row by row.
TEST(KeyCodes, UsLayoutFollowsTheTableAndNamesComeByLayoutCharacterOrLanguageKey) {
    std::ifstream in(QX4_TEST_DATA_DIR "/vocab/key_codes.txt");
    std::size_t row = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('#')) continue;
        KeyCodeRow expected{};
        std::istringstream(line) >> std::hex >> expected.virtualKey >> expected.keyCode >> expected.scanCode;
        ASSERT_LT(row, KeyCodeTable.size());
        const KeyCodeRow& actual = KeyCodeTable[row++];
        EXPECT_EQ(std::tie(actual.virtualKey, actual.keyCode, actual.scanCode),
                  std::tie(expected.virtualKey, expected.keyCode, expected.scanCode))
            << "row " << row - 1;
        std::int32_t code = -1, virtualKey = -1;
        EXPECT_TRUE(virtualKeyToKeyCode(expected.virtualKey, code) && keyCodeToVirtualKey(expected.keyCode, virtualKey));
        EXPECT_EQ(code, expected.keyCode) << "virtual key " << expected.virtualKey;
        EXPECT_EQ(virtualKey, expected.virtualKey) << "code " << expected.keyCode;
    }
    EXPECT_EQ(row, KeyCodeTable.size());
    std::int32_t code = -1, virtualKey = -1;
    EXPECT_FALSE(virtualKeyToKeyCode(0xAD, code));
    EXPECT_FALSE(keyCodeToVirtualKey(0x32, virtualKey));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(virtualKey, 0);

    const auto key = [](std::u16string text) { return DisplayText{std::move(text), true}; };
    const auto literal = [](std::u16string text) { return DisplayText{std::move(text), false}; };
    const std::pair<std::int32_t, DisplayText> byCode[] = {
        {0x04, literal(u"A")},     {0x33, literal(u";")}, {0x28, key(u"key_Enter")}, {0x39, key(u"key_Caplk")},
        {0x63, key(u"key_Num_.")}, {0x64, key(u"key_\\")}, {0xDD, key(u"`")},        {0xF5, key(u"Forward_Button")},
        {0, literal(u"")},         {3, literal(u"")},      {0x32, literal(u"")},     {0x66, literal(u"")},
        {0x69, literal(u"")},      {0xE8, literal(u"")},   {0xF6, literal(u"")},     {-1, literal(u"")},
        {300, literal(u"")}};
    for (const auto& [keyCode, name] : byCode) EXPECT_EQ(keyCodeName(keyCode), name) << "code " << keyCode;
    const std::pair<std::uint32_t, DisplayText> byVirtualKey[] = {
        {0x10, key(u"key_LShift")},    {0xA0, key(u"key_LShift")}, {0x2A, key(u"key_Print Scr")},
        {0x2C, key(u"key_Print Scr")}, {0x6E, key(u"key_Num_.")},  {0xDE, literal(u"'")},
        {0xAD, literal(u"")}};
    for (const auto& [vk, name] : byVirtualKey) EXPECT_EQ(virtualKeyName(vk), name) << "vk " << vk;
}

}  // namespace
}  // namespace qx4
