#include <gtest/gtest.h>

#include <set>

#include "core/vocab/key_codes.h"

namespace qx4 {
namespace {

// A layout with the letters A and Q swapped (A sits at the US Q position, scan code 0x10), one
// letter without a scan code, and a character outside ASCII; it counts its queries.
class SwappedLayout final : public KeyboardLayout {
public:
    mutable int queries = 0;

    std::uint32_t scanCodeForVirtualKey(std::uint32_t virtualKey) const override {
        ++queries;
        if (virtualKey == 'A') return 0x10;
        if (virtualKey == 'Q') return 0x1E;
        if (virtualKey == 'Z') return 0;
        return usKeyboardLayout().scanCodeForVirtualKey(virtualKey);
    }
    std::uint32_t virtualKeyForScanCode(std::uint32_t scanCode) const override {
        ++queries;
        if (scanCode == 0x10) return 'A';
        if (scanCode == 0x1E) return 'Q';
        return usKeyboardLayout().virtualKeyForScanCode(scanCode);
    }
    std::u16string typedText(std::uint32_t virtualKey) const override {
        if (virtualKey == 0xBA) return u"é";
        return usKeyboardLayout().typedText(virtualKey);
    }
};

DisplayText key(std::u16string text) { return {std::move(text), true}; }
DisplayText literal(std::u16string text) { return {std::move(text), false}; }

TEST(KeyCodeTable, RowsFollowTheirDocumentedShape) {
    std::set<std::int32_t> codes;
    for (std::size_t row = 0; row < KeyCodeTable.size(); ++row) {
        const KeyCodeRow& entry = KeyCodeTable[row];
        const bool layoutCode = entry.keyCode >= 0x04 && entry.keyCode <= 0x45;
        EXPECT_EQ(layoutCode, row <= 64) << "row " << row;
        EXPECT_EQ(entry.scanCode != 0, row <= 64) << "row " << row;
        EXPECT_TRUE(codes.insert(entry.keyCode).second) << "code twice: " << entry.keyCode;
    }
    for (std::int32_t code = 0; code <= 0xFF; ++code) {
        const bool documentedGap = code <= 0x03 || code == 0x32 || code == 0x64 || (code >= 0x66 && code <= 0xDF) ||
                                   (code >= 0xE8 && code <= 0xEF) || code == 0xF5 || code == 0xF6 || code >= 0xF9;
        EXPECT_EQ(codes.count(code) == 0, documentedGap) << "code " << code;
    }
    EXPECT_EQ(KeyCodeTable[63].scanCode, 0x57);    // F11
    EXPECT_EQ(KeyCodeTable[83].virtualKey, 0x6C);  // keypad Enter
    EXPECT_EQ(KeyCodeTable[89].keyCode, 0x5F);     // keypad 7 before keypad 6
    EXPECT_EQ(KeyCodeTable[90].keyCode, 0x5E);
}

TEST(KeyCodeConversion, UsLayoutRoundTripsEveryRow) {
    for (const KeyCodeRow& row : KeyCodeTable) {
        std::int32_t code = -1;
        ASSERT_TRUE(virtualKeyToKeyCode(row.virtualKey, code));
        EXPECT_EQ(code, row.keyCode) << "virtual key " << row.virtualKey;
        std::int32_t virtualKey = -1;
        ASSERT_TRUE(keyCodeToVirtualKey(row.keyCode, virtualKey));
        EXPECT_EQ(virtualKey, row.virtualKey) << "code " << row.keyCode;
    }
    std::int32_t code = -1;
    EXPECT_FALSE(virtualKeyToKeyCode(0xAD, code));
    EXPECT_EQ(code, 0);
    std::int32_t virtualKey = -1;
    EXPECT_FALSE(keyCodeToVirtualKey(0x32, virtualKey));
    EXPECT_EQ(virtualKey, 0);
}

TEST(KeyCodeConversion, LetterCodesFollowThePhysicalKey) {
    const SwappedLayout layout;
    std::int32_t code = 0;
    EXPECT_TRUE(virtualKeyToKeyCode('A', code, layout));
    EXPECT_EQ(code, 0x14);  // the code of the US Q key
    std::int32_t virtualKey = 0;
    EXPECT_TRUE(keyCodeToVirtualKey(0x14, virtualKey, layout));
    EXPECT_EQ(virtualKey, 'A');
    EXPECT_EQ(keyCodeName(0x04, layout), literal(u"Q"));

    // A key the layout gives no scan code keeps its own row, not the first scan-less row.
    EXPECT_TRUE(virtualKeyToKeyCode('Z', code, layout));
    EXPECT_EQ(code, 0x1D);

    // Codes outside the letter/digit/punctuation range never ask the layout.
    layout.queries = 0;
    EXPECT_TRUE(virtualKeyToKeyCode(0x25, code, layout));
    EXPECT_EQ(code, 0x50);
    EXPECT_TRUE(keyCodeToVirtualKey(0xE3, virtualKey, layout));
    EXPECT_EQ(virtualKey, 0x5B);
    EXPECT_EQ(layout.queries, 0);
}

TEST(KeyNames, NameCodesByLayoutOrByTheirLanguageKey) {
    EXPECT_EQ(keyCodeName(0x04), literal(u"A"));
    EXPECT_EQ(keyCodeName(0x33), literal(u";"));
    EXPECT_EQ(keyCodeName(0x28), key(u"key_Enter"));
    EXPECT_EQ(keyCodeName(0x39), key(u"key_Caplk"));
    EXPECT_EQ(keyCodeName(0x63), key(u"key_Num_."));
    EXPECT_EQ(keyCodeName(0x63), virtualKeyName(0x6E));
    EXPECT_EQ(keyCodeName(0x64), key(u"key_\\"));
    EXPECT_EQ(keyCodeName(0xDD), key(u"`"));
    EXPECT_EQ(keyCodeName(0xF5), key(u"Forward_Button"));
    for (std::int32_t unnamed : {0, 3, 0x32, 0x66, 0x69, 0xE8, 0xEF, 0xF6, -1, 300}) {
        EXPECT_EQ(keyCodeName(unnamed), literal(u"")) << "code " << unnamed;
    }
}

TEST(KeyNames, NameVirtualKeys) {
    EXPECT_EQ(virtualKeyName(0x10), key(u"key_LShift"));
    EXPECT_EQ(virtualKeyName(0xA0), key(u"key_LShift"));
    EXPECT_EQ(virtualKeyName(0x2A), key(u"key_Print Scr"));
    EXPECT_EQ(virtualKeyName(0x2C), key(u"key_Print Scr"));
    EXPECT_EQ(virtualKeyName(0xDE), literal(u"'"));
    EXPECT_EQ(virtualKeyName(0xAD), literal(u""));
    // Upper-casing touches ASCII letters only.
    EXPECT_EQ(virtualKeyName(0xBA, SwappedLayout{}), literal(u"é"));
}

}  // namespace
}  // namespace qx4
