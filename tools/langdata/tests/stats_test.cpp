#include "stats.h"

#include <gtest/gtest.h>

#include "base/profile.h"
#include "lexicon/syllables.h"
#include "support/test_files.h"

namespace tarvox::langdata {
namespace {

// A letter inventory as the converter profile gives it.
constexpr char kProfile[] =
    "male_crke = abcdefghijklmnopqrstuvwxyz~{`\n"
    "Razvrstitev_grafemov = 13331333123222133233122313333\n"
    "samoglasniki = aeiouy\n"
    "zlog_break = \"\n"
    "najverjetnejsi_zlogi = 1\t1\t2\n"
    "Nabor_fonemov = a\tb\n"
    "Razvrstitev_fonemov = 13\n";

class StatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Profile profile(dir_.Write("gfp.ini", kProfile), false);
        ASSERT_TRUE(profile.IsLoaded());
        ASSERT_EQ(syllabifier_.inventory().Read(profile), 0);
    }
    std::vector<LexiconEntry> Entries(const char* text) {
        LexiconReport report;
        return ReadLexicon(text, report);
    }
    tarvox::testing::TempDir dir_;
    Syllabifier syllabifier_;
};

TEST(StressedSyllable, TheMainStressIsTheLastStressedVowel) {
    std::string vowel;
    EXPECT_EQ(StressedSyllable({"v", "O", "d", "a:"}, &vowel), 2);
    EXPECT_EQ(vowel, "a:");
    EXPECT_EQ(StressedSyllable({"t", "@:", "r", "g"}), 1);
    EXPECT_EQ(StressedSyllable({"p", "a"}), 0);
    // najlep{i: the prefix carries a secondary stress
    EXPECT_EQ(StressedSyllable({"n", "a:", "j", "l", "e:", "p", "S", "i"}, &vowel), 2);
    EXPECT_EQ(vowel, "e:");
}

TEST_F(StatsTest, PatternsTakeTheMostFrequentStressedSyllable) {
    // pika, teta and kosa share the sonority pattern "nv.nv"; two of the
    // three are stressed on the first syllable. voda is "zv.nv".
    const auto st = CountSyllables(
        Entries("pika\tp \xC3\xAD\xCB\x90 k a\n"
                "teta\tt \xC3\xA9\xCB\x90 t a\n"
                "kosa\tk \xC9\x94 s \xC3\xA1\xCB\x90\n"
                "voda\t\xCA\x8B \xC3\xB3\xCB\x90 d a\n"
                "Ana\t\xC3\xA0\xCB\x90 n a\n"   // capitalised: a name, lower-cased
                "NLP\t\xC9\x99 l p\n"),           // no stressed vowel
        syllabifier_);
    EXPECT_EQ(st.used, 5u);
    EXPECT_EQ(st.skipped, 1u);
    const auto files = TableFiles(st);
    EXPECT_NE(files.at("vzn.out").find("nv.nv 1 3\n"), std::string::npos) << files.at("vzn.out");
    EXPECT_NE(files.at("vzn.out").find("zv.nv 1 1\n"), std::string::npos);
    EXPECT_NE(files.at("vc.out").find("cv.cv 1 4\n"), std::string::npos) << files.at("vc.out");
    // quality keys carry the stressed letter after "/"
    EXPECT_NE(files.at("vzn_e.out").find("n/e.nv\te\n"), std::string::npos) << files.at("vzn_e.out");
    EXPECT_NE(files.at("vzn_o.out").find("z/o.nv\to\n"), std::string::npos) << files.at("vzn_o.out");
    EXPECT_NE(files.at("vc_o.out").find("c/o.cv\to\n"), std::string::npos);
    EXPECT_EQ(MostLikelySyllables(st), "1\t1");
}

TEST_F(StatsTest, WordsTheListsDecideCountOnlyForTheQuality) {
    // teta is decided by the lists: it leaves the stress tables, but its
    // open e still counts.
    CountOptions options;
    options.decided_by_lists = [](std::string_view key) { return key == "teta"; };
    const auto st = CountSyllables(Entries("pika\tp \xC3\xAD\xCB\x90 k a\n"
                                           "teta\tt \xC9\x9B\xCC\x81\xCB\x90 t a\n"),
                                   syllabifier_, options);
    EXPECT_EQ(st.used, 2u);
    const auto files = TableFiles(st);
    EXPECT_EQ(files.at("vzn.out"), "nv.nv 1 1\n");
    EXPECT_EQ(files.at("vzn_e.out"), "n/e.nv\tE\n");
    EXPECT_EQ(MostLikelySyllables(st), "1\t1");
}

TEST_F(StatsTest, RarePatternsAreLeftOut) {
    const auto st = CountSyllables(Entries("pika\tp \xC3\xAD\xCB\x90 k a\n"
                                           "kosa\tk \xC9\x94 s \xC3\xA1\xCB\x90\n"
                                           "voda\t\xCA\x8B \xC3\xB3\xCB\x90 d a\n"),
                                   syllabifier_);
    TableOptions options;
    options.min_stress_words = 2;
    options.min_quality_words = 2;
    const auto files = TableFiles(st, options);
    // nv.nv (pika, kosa) stays; zv.nv (voda) and every quality pattern go.
    EXPECT_EQ(files.at("vzn.out"), "nv.nv 1 2\n");
    EXPECT_EQ(files.at("vc.out"), "cv.cv 1 3\n");
    EXPECT_EQ(files.at("vzn_o.out"), "-\te\n");
}

TEST_F(StatsTest, WordsWhoseSyllablesDoNotMatchAreSkipped) {
    // The lexicon hears two vowels where the spelling has one nucleus.
    const auto st = CountSyllables(Entries("pt\tp \xC3\xA1\xCB\x90 t a\n"), syllabifier_);
    EXPECT_EQ(st.used, 0u);
    EXPECT_EQ(st.skipped, 1u);
}

TEST_F(StatsTest, AnEmptyTableGetsAKeyNoWordHas) {
    const auto files = TableFiles(CountSyllables(Entries("pika\tp \xC3\xAD\xCB\x90 k a\n"), syllabifier_));
    EXPECT_EQ(files.at("vzn_e.out"), "-\te\n");
    EXPECT_EQ(files.at("vzn.out"), "nv.nv 1 1\n");
}

TEST_F(StatsTest, TheWrittenTablesLoadInTheEngine) {
    const auto st = CountSyllables(Entries("pika\tp \xC3\xAD\xCB\x90 k a\n"
                                           "voda\t\xCA\x8B \xC3\xB3\xCB\x90 d a\n"
                                           "sova\ts \xC9\x94\xCC\x81\xCB\x90 \xCA\x8B a\n"),
                                   syllabifier_);
    for (const auto& [name, text] : TableFiles(st)) dir_.Write("stat/" + name, text);
    Profile profile(dir_.file("gfp.ini"), false);
    Syllabifier loaded;
    ASSERT_EQ(loaded.pripravi_zlogovanje(profile, dir_.dir() + "stat/"), 0);
    WordAnalysis r;
    loaded.AnalizaBesede("rosa", r);
    EXPECT_EQ(loaded.StressFromSonorityTable(r), 1);
    r.stressed = 1;
    std::string accented = " r/osa ";
    EXPECT_TRUE(loaded.DecideQuality(r, 'o', accented));
    EXPECT_EQ(accented, " r/osa ");  // close, as in voda
    loaded.AnalizaBesede("kova", r);
    r.stressed = 1;
    accented = " k/ova ";
    EXPECT_TRUE(loaded.DecideQuality(r, 'o', accented));
    EXPECT_EQ(accented, " k/Ova ");  // open, as in sova
}

}  // namespace
}  // namespace tarvox::langdata
