#include <gtest/gtest.h>

#include <set>

#include "core/vocab/function_catalogue.h"
#include "core/vocab/function_wire_table.h"
#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

constexpr FunctionGroup kSelectorGroups[] = {FunctionGroup::mouse, FunctionGroup::dpi,   FunctionGroup::profile,
                                             FunctionGroup::media, FunctionGroup::system, FunctionGroup::shortcut};

std::u16string bracketed(std::u16string_view key) { return u"[" + std::u16string(key) + u"]"; }

ButtonBinding bindingWith(std::uint8_t code) {
    ButtonBinding binding{};
    binding.functionCode = code;
    return binding;
}

TEST(FunctionCatalogue, EverySelectorItemRoundTripsThroughItsCode) {
    for (FunctionGroup group : kSelectorGroups) {
        const auto items = selectorItems(group);
        ASSERT_FALSE(items.empty());
        for (int item = 0; item < static_cast<int>(items.size()); ++item) {
            const auto code = groupItemToCode(group, item);
            ASSERT_TRUE(code.has_value());
            EXPECT_EQ(codeToGroupItem(group, *code), item) << "group " << int(group) << " item " << item;
            EXPECT_FALSE(functionTextKey(*code).empty()) << "code " << int(*code);
        }
        EXPECT_FALSE(groupItemToCode(group, -1).has_value());
        EXPECT_FALSE(groupItemToCode(group, static_cast<int>(items.size())).has_value());
    }
    EXPECT_EQ(selectorItems(FunctionGroup::media).size(), 18u);
}

TEST(FunctionCatalogue, WorkedSelections) {
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 10), 22);  // easy aim
    EXPECT_EQ(groupItemToCode(FunctionGroup::mouse, 13), 0);   // off
    // Tilt codes are offered nowhere: they open at item 0, which stores a left click.
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 13), 0);
    // DPI up sits in two selectors.
    EXPECT_EQ(codeToGroupItem(FunctionGroup::mouse, 7), 6);
    EXPECT_EQ(codeToGroupItem(FunctionGroup::dpi, 7), 1);
    EXPECT_EQ(groupItemToCode(FunctionGroup::keyboard, 3), 16);
    EXPECT_EQ(groupItemToCode(FunctionGroup::macro, 0), 17);
    EXPECT_EQ(groupItemToCode(FunctionGroup::defaultFunction, 0, 6), 7);
}

TEST(FunctionCatalogue, DefaultsPerButtonRepeatForTheUpperTwelve) {
    const std::uint8_t expected[12] = {1, 2, 3, 4, 5, 0, 7, 8, 0, 0, 11, 12};
    for (int button = 0; button < 24; ++button) EXPECT_EQ(defaultFunctionCode(button), expected[button % 12]);
    EXPECT_EQ(defaultFunctionCode(-1), 0);
    EXPECT_EQ(defaultFunctionCode(24), 0);
}

TEST(FunctionWireTable, CoversTheCatalogueAndNothingElse) {
    std::set<std::uint8_t> codes;
    for (const FunctionWireEntry& entry : FunctionWireTable) EXPECT_TRUE(codes.insert(entry.code).second);
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        const bool hasKey = !functionTextKey(byte).empty();
        const bool sent = functionWire(byte) != FunctionWire{0, 0, 0};
        const bool systemCode = code >= 117 && code <= 119;  // offered, but sent as 0, 0, 0
        const bool wireOnly = code == 19 || code == 21 || (code >= 47 && code <= 49) || code == 115;
        const bool composed = code == kKeyboardFunctionCode || code == kMacroFunctionCode;
        EXPECT_EQ(hasKey, (sent && !wireOnly && !composed) || systemCode) << "code " << code;
        EXPECT_EQ(sent, codes.count(byte) == 1) << "code " << code;
    }
}

// Keystroke functions send a modifier byte and a key code the key table knows: copy is Ctrl+C.
TEST(FunctionWireTable, KeystrokesAreModifierAndKeyCode) {
    std::int32_t keyC = 0;
    ASSERT_TRUE(virtualKeyToKeyCode('C', keyC));
    EXPECT_EQ(functionWire(33), (FunctionWire{kKeystrokeWireA, kModifierCtrl, static_cast<std::uint8_t>(keyC)}));
    std::int32_t keyL = 0;
    ASSERT_TRUE(virtualKeyToKeyCode('L', keyL));
    EXPECT_EQ(functionWire(46), (FunctionWire{kKeystrokeWireA, kModifierWin, static_cast<std::uint8_t>(keyL)}));
    for (const FunctionWireEntry& entry : FunctionWireTable) {
        if (entry.wire.a != kKeystrokeWireA || entry.code == kKeyboardFunctionCode) continue;
        EXPECT_EQ(entry.wire.b & 0xF0, 0) << "code " << int(entry.code);
        std::int32_t virtualKey = 0;
        EXPECT_TRUE(keyCodeToVirtualKey(entry.wire.c, virtualKey)) << "code " << int(entry.code);
    }
}

TEST(BindingLabel, ComposesKeyboardCombinationsAsLiteralText) {
    ButtonBinding binding = bindingWith(kKeyboardFunctionCode);
    binding.modifierMask = kModifierCtrl | kModifierShift;
    binding.keyCode = 0x06;
    EXPECT_EQ(bindingLabel(binding, bracketed), (DisplayText{u"[keyboard_ctrl_text]+[keyboard_shift_text]+C", false}));
    binding.modifierMask = kModifierWin | kModifierAlt | 0xF0;  // order is fixed; stray bits ignored
    binding.keyCode = 0x28;
    EXPECT_EQ(bindingLabel(binding, bracketed).text, u"[keyboard_alt_text]+[keyboard_win_text]+[key_Enter]");
    binding.modifierMask = kModifierWin;
    binding.keyCode = 0;
    EXPECT_EQ(bindingLabel(binding, bracketed).text, u"[keyboard_win_text]+");
}

TEST(BindingLabel, MacrosByNameOthersByTextKey) {
    ButtonBinding binding = bindingWith(kMacroFunctionCode);
    binding.macroName = {u'J', u'u', u'm', u'p'};
    binding.functionGroup = 7;
    EXPECT_EQ(bindingLabel(binding, bracketed), (DisplayText{u"Jump", false}));
    EXPECT_EQ(bindingLabel(bindingWith(88), bracketed), (DisplayText{u"caculator_text", true}));
    EXPECT_EQ(bindingLabel(bindingWith(19), bracketed), (DisplayText{u"", true}));
}

}  // namespace
}  // namespace qx4
