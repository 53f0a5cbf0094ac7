#include "lexicon/syllables.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

// ------------------------------------------------------------------ division

// Syllables written as "first-last" ranges with the nucleus in brackets.
std::string Show(std::string_view sonority) {
    std::vector<Syllable> syl;
    const int n = DeljenjeNaZloge(sonority, syl);
    std::string out;
    for (const Syllable& s : syl) {
        if (!out.empty()) out += ' ';
        out += std::to_string(s.first) + "-" + std::to_string(s.last) + "[" +
               std::to_string(s.nucleus) + "]";
    }
    EXPECT_EQ(n, static_cast<int>(syl.size()));
    return out;
}

struct DivisionCase {
    const char* sonority;
    const char* syllables;
};

class Division : public ::testing::TestWithParam<DivisionCase> {};

TEST_P(Division, FollowsThePatternCascade) {
    EXPECT_EQ(Show(GetParam().sonority), GetParam().syllables) << GetParam().sonority;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, Division,
    ::testing::Values(DivisionCase{"", "0--1[0]"},    // nothing: one empty syllable
                      DivisionCase{"nzn", "0-2[0]"},  // no vowel: nucleus at 0
                      DivisionCase{"nvn", "0-2[1]"}, DivisionCase{"vv", "0-0[0] 1-1[1]"},  // g = 1
                      DivisionCase{"vnv", "0-0[0] 1-2[2]"},       // g = 2: the consonant opens
                      DivisionCase{"vzzv", "0-1[0] 2-3[3]"},      // zzv: the sonorant closes
                      DivisionCase{"vznv", "0-1[0] 2-3[3]"},      // znv
                      DivisionCase{"vnnv", "0-1[0] 2-3[3]"},      // nnv
                      DivisionCase{"vnzv", "0-1[0] 2-3[3]"},      // vnz before a vowel: s + 1
                      DivisionCase{"vnzzv", "0-0[0] 1-4[4]"},     // vnz not before a vowel: s
                      DivisionCase{"vnznv", "0-0[0] 1-4[4]"},     // znv overridden by vnz
                      DivisionCase{"vzznv", "0-2[0] 3-4[4]"},     // g = 4: vzznv gives s + 2
                      DivisionCase{"vzzzv", "0-1[0] 2-4[4]"},     // vzzzv gives s + 1
                      DivisionCase{"vzznzv", "0-2[0] 3-5[5]"},    // g = 5: vzznzv
                      DivisionCase{"vznnzv", "0-3[0] 4-5[5]"},    // g = 5: znnzv gives s + 3
                      DivisionCase{"vnznnzv", "0-3[0] 4-6[6]"},   // g = 6: znnzv
                      DivisionCase{"vzzzznzv", "0-3[0] 4-7[7]"},  // nothing matches: (g-1)/2
                      // Pattern tests look anywhere from the position on: the vzznv of the
                      // second boundary moves the first one too.
                      DivisionCase{"vnznvzznv", "0-2[0] 3-6[4] 7-8[8]"}),
    [](const auto& info) {
        std::string name = info.param.sonority;
        return name.empty() ? std::string("Empty") : name;
    });

TEST(DivisionLimit, StopsCollectingAtFiveHundredTwelveNuclei) {
    ClearError();
    std::vector<Syllable> syl;
    EXPECT_EQ(DeljenjeNaZloge(std::string(512, 'v'), syl), 512);
    EXPECT_FALSE(ErrorFlag());
    EXPECT_EQ(DeljenjeNaZloge(std::string(600, 'v'), syl), 512);
    EXPECT_EQ(LastError().rfind("Fun: DeljenjeNaZloge(zvocnost = vvv", 0), 0u);
    EXPECT_EQ(syl.back().first, 511);
    EXPECT_EQ(syl.back().last, 599);  // the rest stays in the last syllable
}

// ------------------------------------------------------------------ fixture

// Letters in the internal code: "~" is c with caron. p, s and t are
// obstruents, r a sonorant.
constexpr char kProfile[] =
    "male_crke = abc~deilmnoprstuvz\n"
    "Razvrstitev_grafemov = 133331122213233123\n"
    "samoglasniki = aeiou\n"
    "zlog_break = \"\n"
    "najverjetnejsi_zlogi = 1\t2\t2\n"
    "Nabor_fonemov = a\ta:\tb\ttS\td\tE\tm\tn\tr\ts\tt\n"
    "Razvrstitev_fonemov = 11331122233\n";

struct Tables {
    std::string vzn = "ZVN.NV 2 7\r\nvzn 1 1\n";
    std::string vc = "cvc.cv 1 3\n";
    std::string vzn_e = "z/en.nv\tE\n";
    std::string vzn_o = "zvn.n/o\tO\r\n";
    std::string vc_e = "c/ec.cv\t@\n";
    std::string vc_o = "cv\t\nc/o\tO\n";  // the first line has no result: no record
};

class SyllabifierTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearError(); }
    int Prepare(const std::string& profile_text = kProfile, const Tables& t = Tables{}) {
        stat.Write("vzn.out", t.vzn);
        stat.Write("vc.out", t.vc);
        stat.Write("vzn_e.out", t.vzn_e);
        stat.Write("vzn_o.out", t.vzn_o);
        stat.Write("vc_e.out", t.vc_e);
        stat.Write("vc_o.out", t.vc_o);
        Profile p(dir.Write("gfp.ini", profile_text), false);
        EXPECT_TRUE(p.IsLoaded());
        return syl.pripravi_zlogovanje(p, stat.dir());
    }
    std::string Sonority(std::string_view word) {
        std::string out;
        syl.DolociZvocnostGT(word, out);
        return out;
    }
    TempDir dir, stat;
    Syllabifier syl;
};

TEST_F(SyllabifierTest, LetterSonorityWithSyllabicR) {
    ASSERT_EQ(Prepare(), 0);
    EXPECT_EQ(Sonority("prst"), "nvnn");  // r between consonants is a nucleus
    EXPECT_EQ(Sonority("prt"), "nvn");
    EXPECT_EQ(Sonority("tri"), "nzv");  // a vowel follows
    EXPECT_EQ(Sonority("rt"), "vn");    // at the start only the next counts
    EXPECT_EQ(Sonority("ar"), "vz");
    WordAnalysis w;
    syl.AnalizaBesede("prst", w);
    EXPECT_EQ(w.syllable_count, 1);
    EXPECT_EQ(w.syllables[0].nucleus, 1);
    EXPECT_EQ(w.vowel_consonant, "cccc");  // the vowel/consonant form keeps r a consonant
}

TEST_F(SyllabifierTest, AnalysisBuildsBothDividedStrings) {
    ASSERT_EQ(Prepare(), 0);
    WordAnalysis w;
    syl.AnalizaBesede("mesto", w);
    EXPECT_EQ(w.length, 5);
    EXPECT_EQ(w.sonority, "zvnnv");
    EXPECT_EQ(w.vowel_consonant, "cvccv");
    EXPECT_EQ(w.syllable_count, 2);
    EXPECT_EQ(w.divided_sonority, "zvn\"nv");
    EXPECT_EQ(w.divided_vc, "cvc\"cv");

    const std::string long_word(200, 'a');
    syl.AnalizaBesede(long_word, w);
    EXPECT_EQ(w.word.size(), kMaxWordLetters);
    EXPECT_EQ(w.syllable_count, 127);
    EXPECT_EQ(w.divided_sonority.size(), 127u + 126u);
}

TEST_F(SyllabifierTest, StressFromTablesAndTheDefault) {
    ASSERT_EQ(Prepare(), 0);
    EXPECT_EQ(syl.SonorityTableSize(), 2u);
    WordAnalysis w;
    syl.AnalizaBesede("mesto", w);  // zvn"nv: in vzn.out (upper case, CR kept)
    EXPECT_EQ(syl.StressFromSonorityTable(w), 2);
    EXPECT_EQ(syl.ChooseStress(w), 2);
    EXPECT_EQ(w.stressed, 2);

    EXPECT_EQ(syl.StressFromVcTable(w), 1);  // the sonority table came first

    syl.AnalizaBesede("pesto", w);  // nvn"nv is not in vzn.out; cvc"cv is in vc.out
    EXPECT_EQ(syl.StressFromSonorityTable(w), 0);
    EXPECT_EQ(syl.ChooseStress(w), 1);
    syl.AnalizaBesede("pata", w);  // nv"nv and cv"cv are in neither
    EXPECT_EQ(syl.StressFromSonorityTable(w), 0);
    EXPECT_EQ(syl.StressFromVcTable(w), 0);

    // Defaults: najverjetnejsi_zlogi = 1 2 2, the last serving longer words.
    syl.AnalizaBesede("papapa", w);
    EXPECT_EQ(syl.ChooseStress(w), 2);
    syl.AnalizaBesede("papapapapa", w);
    EXPECT_EQ(w.syllable_count, 5);
    EXPECT_EQ(syl.DefaultStress(w), 2);
    syl.AnalizaBesede("pa", w);
    EXPECT_EQ(syl.DefaultStress(w), 1);
}

TEST_F(SyllabifierTest, QualityOfStressedEAndO) {
    ASSERT_EQ(Prepare(), 0);
    WordAnalysis w;
    syl.AnalizaBesede("mesto", w);
    w.stressed = 1;
    std::string accented = " m/esto ";
    EXPECT_TRUE(syl.DecideQuality(w, 'e', accented));  // z/en"nv in vzn_e.out
    EXPECT_EQ(accented, " m/Esto ");

    syl.AnalizaBesede("pesto", w);  // n/en"nv: not in vzn_e, c/ec"cv in vc_e
    w.stressed = 1;
    accented = " p/esto ";
    EXPECT_TRUE(syl.DecideQuality(w, 'e', accented));
    EXPECT_EQ(accented, " p/@sto ");

    syl.AnalizaBesede("mesto", w);
    w.stressed = 2;  // the o of the second syllable: zvn"n/o
    accented = " mest/o ";
    EXPECT_TRUE(syl.DecideQuality(w, 'o', accented));
    EXPECT_EQ(accented, " mest/O ");

    accented = " mest/o ";
    EXPECT_FALSE(syl.DecideQuality(w, 'e', accented));  // no such key
    EXPECT_EQ(accented, " mest/o ");
    w.stressed = 3;  // beyond the last syllable
    EXPECT_FALSE(syl.DecideQuality(w, 'o', accented));
}

TEST_F(SyllabifierTest, PhonemeSonorityReportsBadClasses) {
    std::string profile = kProfile;
    profile.replace(profile.find("11331122233"), 11, "11331122253");
    ASSERT_EQ(Prepare(profile), 0);
    std::string out;
    const std::vector<int> ok = {6, 0, 10};  // m a t
    EXPECT_TRUE(syl.DolociZvocnost(ok, out));
    EXPECT_EQ(out, "zvn");
    EXPECT_FALSE(ErrorFlag());
    const std::vector<int> bad = {0, 9, 99};  // s has class 5, 99 is outside
    EXPECT_FALSE(syl.DolociZvocnost(bad, out));
    EXPECT_EQ(out, "vnn");
    EXPECT_EQ(LastError(), "  DolociZvocnost() failed: Position in string = 2");
}

TEST_F(SyllabifierTest, TableFileSyntax) {
    stat.Write("t.out", "b.a 3 9\nA.Z 1 2\n\nc 5 6");
    std::vector<StressRecord> records;
    ASSERT_EQ(FilajArray(stat.file("t.out"), records), 3u);
    EXPECT_EQ(records[0].key, "a\"z");
    EXPECT_EQ(records[1].key, "b\"a");
    EXPECT_EQ(records[1].number1, 3);
    EXPECT_EQ(records[1].number2, 9);
    EXPECT_EQ(records[2].key, "c");
    stat.Write("q.out", "v.v\tabc\nv\tz\n");
    std::vector<QualityRecord> quality;
    ASSERT_EQ(FilajArray(stat.file("q.out"), quality), 2u);
    EXPECT_EQ(quality[0].key, "v");
    EXPECT_EQ(quality[1].result, 'a');
    EXPECT_EQ(FilajArray(stat.file("missing.out"), quality), 0u);
    stat.Write("long.out", std::string(700, 'v') + " 1 1\n");
    ASSERT_EQ(FilajArray(stat.file("long.out"), records), 1u);
    EXPECT_EQ(records[0].key.size(), kMaxDividedLength);
}

struct PrepareFailure {
    const char* name;
    int broken;  // which table is missing (0-5), or -1 for an empty vzn.out
    const char* message;
};

class PrepareFails : public SyllabifierTest,
                     public ::testing::WithParamInterface<PrepareFailure> {};

TEST_P(PrepareFails, StopsAtTheFirstBadTable) {
    Tables t;
    const char* names[] = {"vzn.out", "vc.out", "vzn_e.out", "vzn_o.out", "vc_e.out", "vc_o.out"};
    if (GetParam().broken < 0) t.vzn = "\n";
    EXPECT_EQ(Prepare(kProfile, t), GetParam().broken < 0 ? -1 : 0);
    if (GetParam().broken >= 0) {
        std::filesystem::remove(stat.file(names[GetParam().broken]));
        // A later table missing as well must not change the message.
        if (GetParam().broken < 5) std::filesystem::remove(stat.file("vc_o.out"));
        Profile p(dir.file("gfp.ini"), false);
        ClearError();
        EXPECT_EQ(syl.pripravi_zlogovanje(p, stat.dir()), -1);
    }
    EXPECT_EQ(LastError(), GetParam().message);
    EXPECT_EQ(syl.SonorityTableSize(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrepareFails,
    ::testing::Values(PrepareFailure{"EmptyVzn", -1, "Napaka: FilajArray(vzn.out) "},
                      PrepareFailure{"Vzn", 0, "Napaka: FilajArray(vzn.out) "},
                      PrepareFailure{"Vc", 1, "Napaka: FilajArray(vc.out) "},
                      PrepareFailure{"VznE", 2, "Napaka: FilajArray(vzn_e.out) "},
                      PrepareFailure{"VznO", 3, "Napaka: FilajArray(vzn_o.out) "},
                      PrepareFailure{"VcE", 4, "Napaka: FilajArray(vc_e.out) "},
                      PrepareFailure{"VcO", 5, "Napaka: FilajArray(vc_o.out) "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SyllabifierTest, InventoryFailureIsTheStepFailure) {
    std::string profile = kProfile;
    profile.replace(profile.find("Razvrstitev_fonemov = 11331122233"), 33,
                    "Razvrstitev_fonemov = 1133");
    EXPECT_EQ(Prepare(profile), -1);
    EXPECT_EQ(LastError(), "Napaka: v ini datoteki (ini_gfp): pripravi_zlogovanje");
}

}  // namespace
}  // namespace tarvox
