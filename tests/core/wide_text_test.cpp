#include "platform/wide_text.h"

#include <gtest/gtest.h>

namespace bk::test {

namespace {

struct WideCase {
    std::u16string units;
    std::string bytes;
};

// Every sequence of units has its bytes and comes back from them unit for unit: a name the
// system gives is the name the program hands back.
TEST(WideTextTest, UnitsComeBackFromTheirBytes) {
    const std::vector<WideCase> cases = {
        {u"", ""},
        {u"a.txt", "a.txt"},
        {u"\u00c4rger \u00df", "\xc3\x84rger \xc3\x9f"},
        {u"\u20ac", "\xe2\x82\xac"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},                   // a pair is one character
        {std::u16string(1, char16_t{0xD800}), "\xed\xa0\x80"}, // a lone high surrogate
        {std::u16string(1, char16_t{0xDC00}) + u"x", "\xed\xb0\x80x"},
        {u"a" + std::u16string{char16_t{0xDC00}, char16_t{0xD800}}, "a\xed\xb0\x80\xed\xa0\x80"},
    };
    for (const WideCase& each : cases) {
        EXPECT_EQ(BytesFromWide(each.units), each.bytes);
        EXPECT_EQ(WideFromBytes(each.bytes), each.units);
    }
}

TEST(WideTextTest, BytesThatFormNoCharacterBecomeReplacementCharacters) {
    const std::vector<WideCase> cases = {
        {u"\ufffd", "\xff"},
        {u"a\ufffdb", "a\x80"
                      "b"},
        {u"\ufffd\ufffd", "\xc0\xaf"},                     // an overlong "/"
        {u"\ufffd\ufffdx", "\xe2\x82x"},                   // cut short: each byte stands alone
        {u"\ufffd\ufffd\ufffd\ufffd", "\xf4\x90\x80\x80"}, // beyond U+10FFFF
        {u"\U0001F600", "\xed\xa0\xbd\xed\xb8\x80"},       // halves written apart join up again
    };
    for (const WideCase& each : cases) {
        EXPECT_EQ(WideFromBytes(each.bytes), each.units) << each.bytes;
    }
}

} // namespace

} // namespace bk::test
