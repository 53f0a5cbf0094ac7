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

}  // namespace
}  // namespace tarvox
