#include "text/codepage.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

TEST(Codepage, SlovenianLettersAndSymbols) {
    EXPECT_EQ(Utf8ToCp1250("čšž ČŠŽ"), "\xE8\x9A\x9E \xC8\x8A\x8E");
    EXPECT_EQ(Utf8ToCp1250("5 €, „navednice“ – ćđ"), "5 \x80, \x84navednice\x93 \x96 \xE6\xF0");
    EXPECT_EQ(Utf16ToCp1250(u"Žaba €"), "\x8E" "aba \x80");
}

TEST(Codepage, UnmappedAndMalformedBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1250("日本"), "??");
    EXPECT_EQ(Utf8ToCp1250("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp1250("\xFF" "b"), "?b");
    EXPECT_EQ(Utf8ToCp1250("😀"), "?");
    EXPECT_EQ(Utf16ToCp1250(u"x\xD83D"), "x?");
    EXPECT_EQ(Utf16ToCp1250(u"😀"), "?");
}

TEST(Codepage, EveryAssignedByteRoundTrips) {
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        if (CodePointFromCp1250(static_cast<unsigned char>(b)) == 0) {
            EXPECT_EQ(Cp1250ToUtf8(one), "?") << b;
            continue;
        }
        EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(one)), one) << b;
    }
}

TEST(Codepage, Utf8ToUtf16AndBack) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
        bool round_trip;
    };
    const Case cases[] = {
        {"abc", u"abc", true},
        {"\xC4\x8D\xC5\xA1\xC5\xBE", u"\u010D\u0161\u017E", true},
        {"\xE2\x82\xAC", u"\u20AC", true},
        {"\xF0\x9F\x98\x80", u"\U0001F600", true},
        {"a\xC4", u"a\uFFFD", false},             // cut short
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},  // a surrogate
        {"\xFFx", u"\uFFFDx", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        if (c.round_trip) {
            EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
        }
    }
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

// An overlong form names no character: it must not sneak a letter or a
// control character past the filters.
TEST(Codepage, OverlongFormsAreNotLetters) {
    EXPECT_EQ(Utf8ToCp1250("\xC1\x81"), "??");       // 'A' in two bytes
    EXPECT_EQ(Utf8ToCp1250("\xC0\x80x"), "??x");     // NUL in two bytes
    EXPECT_EQ(Utf8ToCp1250("\xE0\x80\xAE"), "???");  // '.' in three bytes
    std::size_t i = 0;
    EXPECT_EQ(NextCodePoint("\xC4\x8D!", i), U'\u010D');
    EXPECT_EQ(i, 2u);
    EXPECT_EQ(NextCodePoint("\xC4\x8D!", i), U'!');
    EXPECT_EQ(i, 3u);
}

}  // namespace
}  // namespace tarvox
