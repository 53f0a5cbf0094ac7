#include "text/abbreviations.h"

#include <gtest/gtest.h>

#include <map>

#include "text/phrases.h"
#include "text_fixture.h"

namespace tarvox {
namespace {

TEST(Abbreviations, ExpandsOccurrences) {
    testing::TextFixture f;
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"Vidimo npr. Janeza.", "Vidimo na primer Janeza."},
        {"Npr. to in NPR. ono", "Na primer to in Na primer ono"},
        {"dr.Novak", "doktor Novak"},
        {"odr. x in 5dr. y", "odr. x in 5dr. y"},
        {"s 100 km/h.", "s 100 kilometrov na uro ."},
        {"(sv. Jurij) itd.", "(sveti Jurij) in tako dalje "},
        {"brez okraj{av", "brez okraj{av"},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        EXPECT_TRUE(ExpandAbbreviations(s, f.abbreviations, f.classes));
        EXPECT_EQ(s, c.out) << c.in;
    }
}

TEST(Abbreviations, OverlappingOccurrenceIsSkipped) {
    testing::TextFixture f;
    AbbreviationTable table;
    table.Add("b.c", "Y");
    table.Add("a.b", "X");
    std::string s = "a.b.c in b.c";
    EXPECT_TRUE(ExpandAbbreviations(s, table, f.classes));
    EXPECT_EQ(s, "X .c in Y ");
}

TEST(Abbreviations, SameStartTakesTheEarlierPair) {
    testing::TextFixture f;
    AbbreviationTable table;
    table.Add("st.", "sveti");
    table.Add("st", "stran");
    std::string s = "st. 5 in st 6";
    EXPECT_TRUE(ExpandAbbreviations(s, table, f.classes));
    EXPECT_EQ(s, "sveti 5 in stran 6");
}

TEST(Abbreviations, TooLongResultLeavesTheText) {
    testing::TextFixture f;
    std::string s = std::string(10230, 'x') + " npr. a";
    const std::string before = s;
    EXPECT_FALSE(ExpandAbbreviations(s, f.abbreviations, f.classes));
    EXPECT_EQ(s, before);
}

TEST(Abbreviations, ReadInPairs) {
    struct Case {
        std::string profile;
        int result;
        std::size_t pairs;
    };
    const Case cases[] = {
        {"okrajsave = a\tb\tc\td\n", 0, 2},
        {"okrajsave = a\n  b\n", 0, 1},
        {"drugo = x\n", 0, 0},
        {"okrajsave = a\tb\tc\n", -1, 0},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        Profile p(dir.Write("gfp.ini", c.profile), false);
        AbbreviationTable t;
        ClearError();
        EXPECT_EQ(t.Read(p), c.result) << c.profile;
        EXPECT_EQ(t.Pairs().size(), c.pairs);
        if (c.result < 0) {
            EXPECT_EQ(LastError(), "Napacno stevilo okrajsav (okrajsave)");
        }
    }
}

TEST(Phrases, LongestKeyWinsWithCapitalisation) {
    testing::TextFixture f;
    const std::map<std::string, std::string, std::less<>> list = {
        {"new york", "nju jork"}, {"ok", "okej"}, {"a", "1"}, {"a b", "2"}, {"a b c", "3"},
        {"x y", "xy"}};
    const PhraseLookup lookup = [&](std::string_view key) -> std::optional<std::string_view> {
        const auto it = list.find(key);
        if (it == list.end()) return std::nullopt;
        return it->second;
    };
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"Grem v New York, ok?", "Grem v Nju jork, okej?"},
        {"OK. a b c d", "Okej. 3 d"},
        {"a b, c", "2, c"},
        {"a  x y", "1  xy"},
        {"new, york", "new, york"},
        {std::string(70, 'a') + " ok", std::string(70, 'a') + " okej"},
    };
    for (const Case& c : cases) {
        std::string s = c.in;
        SubstitutePhrases(s, lookup, f.classes);
        EXPECT_EQ(s, c.out) << c.in;
    }
}

}  // namespace
}  // namespace tarvox
