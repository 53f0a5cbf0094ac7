#include "gfp/accent.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "gfp_fixture.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

using testing::GfpProfile;
using testing::TempDir;

class AccentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Load(GfpProfile()), 0); }

    int Load(const GfpProfile& p) {
        profile_ = std::make_unique<Profile>(dir.Write("gfp.ini", p.Text()), false);
        EXPECT_TRUE(profile_->IsLoaded());
        return classes.Read(*profile_);
    }

    TempDir dir;
    std::unique_ptr<Profile> profile_;
    CharClasses classes;
};

TEST_F(AccentTest, NucleiAreVowelsAndSyllabicR) {
    struct Case {
        const char* word;
        int syllables;
        int stressed;
        const char* marked;
    };
    const Case cases[] = {
        {"trg", 1, 1, " t/rg "},       // r between consonants
        {"tri", 1, 1, " tr/i "},       // r before a vowel is no nucleus
        {"ar", 1, 1, " /ar "},         // nor after one
        {"rt", 1, 1, " /rt "},         // at the start it needs only a non-vowel after it
        {"prst", 1, 1, " p/rst "},
        {"pst", 0, 1, " pst "},        // no nucleus, no mark
        {"miza", 2, 2, " miz/a "},
        {"miza je", 2, 1, " m/iza je "},  // counting stops at the blank
        {"", 0, 1, "  "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SyllableCount(c.word, classes), c.syllables) << c.word;
        EXPECT_EQ(MarkStress(c.word, c.stressed, classes), c.marked) << c.word;
    }
    EXPECT_EQ(MarkStress("miza", 3, classes), " miza ");  // no third nucleus
}

TEST_F(AccentTest, StressByTheLists) {
    AccentLists lists;
    ASSERT_EQ(lists.Read(*profile_), 0);
    // prvi_zlog: pra; predpone: po, za; koncppz: ica; koncpz: ati, ega;
    // konczad: ost.
    struct Case {
        const char* word;
        int stressed;
    };
    const Case cases[] = {
        {"trg", 1},        {"pst", 1},          // fewer than two nuclei
        {"pravost", 1},                         // a first-syllable beginning wins
        {"mladost", 2},    {"radovednost", 4},  // last syllable
        {"brati", 1},      {"zati", 2},         // two syllables: prefix decides
        {"delati", 2},     {"nedelega", 3},     // otherwise the second from the end
        {"ptica", 0},                           // third from the end needs three
        {"rokica", 1},     {"pokica", 2},       {"delavnica", 2},
        {"miza", 0},       {"kosa", 0},         // the lists do not decide
    };
    for (const Case& c : cases) EXPECT_EQ(lists.StressByLists(c.word, classes), c.stressed) << c.word;
}

// A broad penultimate ending (ka) before a specific antepenultimate one
// (ika): the Parts' order lets ka decide, najdaljsa_koncnica the longer ika;
// a tie goes to the final list, then the penultimate.
TEST_F(AccentTest, TheLongestEndingDecidesOnlyWhenAsked) {
    struct Case {
        const char* word;
        int in_order, longest;
    };
    const Case cases[] = {
        {"matematika", 4, 3},  // ka (penultimate) against ika (antepenultimate)
        {"lovec", 1, 1},       // ec only
        {"kupovec", 2, 1},     // ec against ovec
        {"banan", 2, 1},       // an (final) against the longer nan (penultimate)
        {"balon", 2, 2},       // on in both lists: a tie goes to the final
        {"miza", 0, 0},
    };
    for (const bool longest : {false, true}) {
        AccentLists lists;
        lists.SetLists({}, {"po"}, {"ika", "ovec"}, {"ka", "ec", "nan", "on"}, {"an", "on"});
        lists.SetLongestEndingWins(longest);
        for (const Case& c : cases)
            EXPECT_EQ(lists.StressByLists(c.word, classes), longest ? c.longest : c.in_order) << c.word << longest;
    }
}

TEST_F(AccentTest, AccentListFailures) {
    struct Case {
        const char* name;
        const char* value;  // null: missing
        int result;
    };
    const Case cases[] = {
        {"predpone", "", -1},  {"predpone", nullptr, -1}, {"koncpz", nullptr, -1},
        {"prvi_zlog", nullptr, -1}, {"konczad", nullptr, -1}, {"koncppz", nullptr, -1},
        {"prvi_zlog", "", 0},  {"konczad", "", 0},
    };
    for (const Case& c : cases) {
        GfpProfile p;
        if (c.value)
            p.vars[c.name] = c.value;
        else
            p.vars.erase(c.name);
        ASSERT_EQ(Load(p), 0);
        ClearError();
        AccentLists lists;
        EXPECT_EQ(lists.Read(*profile_), c.result) << c.name;
        if (c.result != 0) {
            EXPECT_EQ(LastError(), "Napaka: v ini datoteki (ini_gfp): pripravi_naglase");
        }
    }
}

TEST_F(AccentTest, CliticClasses) {
    GfpProfile p;
    p.vars["proklitike"] = "z\tv\tk\ts";  // unsorted in the profile
    p.vars["proklitike_ali_enklitike"] = "se\tje\tv";
    p.vars["lepi_le_enkrat"] = "1";
    ASSERT_EQ(Load(p), 0);
    CliticLists clitics;
    clitics.Read(*profile_);
    EXPECT_TRUE(clitics.GlueOnce());
    for (const char* w : {"z", "k", "s"}) EXPECT_EQ(clitics.ClassOf(w), 1) << w;
    for (const char* w : {"se", "je", "v"}) EXPECT_EQ(clitics.ClassOf(w), 3) << w;
    for (const char* w : {"", "zz", "jez", "miza"}) EXPECT_EQ(clitics.ClassOf(w), 0) << w;

    for (const char* value : {"2", "0", "x"}) {
        p.vars["lepi_le_enkrat"] = value;
        ASSERT_EQ(Load(p), 0);
        clitics.Read(*profile_);
        EXPECT_FALSE(clitics.GlueOnce()) << value;
    }

    p.vars.erase("proklitike");
    p.vars.erase("proklitike_ali_enklitike");
    p.vars.erase("lepi_le_enkrat");
    ASSERT_EQ(Load(p), 0);
    clitics.Read(*profile_);
    EXPECT_FALSE(clitics.GlueOnce());
    for (const char* w : {"z", "se", "miza"}) EXPECT_EQ(clitics.ClassOf(w), 0) << w;
}

}  // namespace
}  // namespace tarvox
