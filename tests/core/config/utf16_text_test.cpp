#include <gtest/gtest.h>

#include "core/config/utf16_text.h"

namespace qx4 {
namespace {

TEST(Utf16Text, ShorteningNeverSplitsASurrogatePair) {
    const std::u16string text = u"ab\U0001F600c";  // a, b, high, low, c
    EXPECT_EQ(shortenUtf16(text, 3), u"ab");
    EXPECT_EQ(shortenUtf16(text, 4), u"ab\U0001F600");
}

TEST(Utf16Text, FixedArraysReadUpToTheirTerminatorOrLastUnit) {
    std::array<char16_t, 4> text{u'a', u'\0', u'b', u'c'};
    EXPECT_EQ(fixedTextView(text), u"a");
    text = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(fixedTextView(text), u"abc");
    writeFixedText(text, u"wxyz!");
    EXPECT_EQ(text, (std::array<char16_t, 4>{u'w', u'x', u'y', u'\0'}));
}

TEST(Utf16Text, ConvertsBothWaysAndReplacesMalformedInput) {
    const std::u16string text = u"Aé€\U0001F600";
    const std::string utf8 = utf16ToUtf8(text);
    EXPECT_EQ(utf8, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8ToUtf16(utf8), text);

    EXPECT_EQ(utf16ToUtf8(std::u16string{u'x', char16_t(0xD800)}), "x\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{char16_t(0xDC00), u'y'}), "\xEF\xBF\xBDy");
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // cut short
}

}  // namespace
}  // namespace qx4
