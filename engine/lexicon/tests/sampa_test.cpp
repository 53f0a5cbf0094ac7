#include "lexicon/sampa.h"

#include <gtest/gtest.h>

#include "base/diag.h"

namespace tarvox {
namespace {

TEST(Sampa, ForwardLookup) {
    const SampaTables t;
    struct Case {
        const char* name;
        const char* symbol;
    };
    const Case cases[] = {{"_", " "}, {" ", " "}, {"a:", "A"}, {"e:", "e"}, {"o:", "o"},
                          {"@:", "%"}, {"E:", "3"}, {"O:", "0"}, {"i:", "1"}, {"u:", "9"},
                          {"S", "S"},  {"-", "-"},  {"=", "="}, {"W", "W"}};
    for (const Case& c : cases) EXPECT_EQ(t.ConvertSAMPA(c.name), c.symbol) << c.name;
}

TEST(Sampa, UnknownNamesAreReportedAndEmpty) {
    const SampaTables t;
    for (const char* name : {"ts", "x", "", "a:b", "e", "\xE1"}) {
        ClearError();
        EXPECT_EQ(t.ConvertSAMPA(name), "") << name;
        EXPECT_EQ(LastError(), std::string("Znak <") + name + "> ni SAMPA simbol!");
    }
}

TEST(Sampa, ReverseLookup) {
    const SampaTables t;
    EXPECT_EQ(t.SampaOf(' '), "_");
    EXPECT_EQ(t.SampaOf('A'), "a:");
    EXPECT_EQ(t.SampaOf('e'), "e:");
    EXPECT_EQ(t.SampaOf('t'), "t");
    ClearError();
    EXPECT_EQ(t.SampaOf('$'), "");
    EXPECT_EQ(t.SampaOf('#'), "");
    EXPECT_FALSE(ErrorFlag());
    EXPECT_EQ(t.SampaOf('x'), "");
    EXPECT_EQ(LastError(), "Character <x> is not a valid 1B symbol!");
    EXPECT_EQ(t.SampaOf(0xC1), "");  // would alias "A" through the 7-bit key
}

TEST(Sampa, EveryRowRoundTrips) {
    const SampaTables t;
    for (const SampaRow& row : kSampaTable) {
        if (row.name == " ") continue;  // the space byte converts back to "_"
        const std::string_view b = t.ConvertSAMPA(row.name);
        ASSERT_EQ(b.size(), 1u) << row.name;
        EXPECT_EQ(t.SampaOf(static_cast<unsigned char>(b[0])), row.name);
    }
}

TEST(Sampa, StringCheck) {
    const SampaTables t;
    EXPECT_TRUE(t.IsSampaString(""));
    EXPECT_TRUE(t.IsSampaString("tSa"));
    EXPECT_TRUE(t.IsSampaString("a:b"));
    EXPECT_TRUE(t.IsSampaString("_-="));
    EXPECT_FALSE(t.IsSampaString("tsx"));
    EXPECT_FALSE(t.IsSampaString("e"));
}

}  // namespace
}  // namespace tarvox
