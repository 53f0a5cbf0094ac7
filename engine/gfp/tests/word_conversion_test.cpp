#include "gfp/word_conversion.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "gfp/accent.h"
#include "gfp/rules.h"
#include "gfp_fixture.h"
#include "lexicon/char_classes.h"
#include "lexicon/dictionary.h"

namespace tarvox {
namespace {

using testing::GfpProfile;
using testing::StatTables;
using testing::TempDir;

// The converter's tables read from the fixture profile the way the
// converter reads them; the syllable tables only when asked for.
class WordConversionTest : public ::testing::Test {
protected:
    void Load(const GfpProfile& p = GfpProfile(), const std::string& dictionary = "",
              bool with_syllables = false, const StatTables& stat = StatTables()) {
        profile_ = std::make_unique<Profile>(dir.Write("gfp.ini", p.Text()), false);
        ASSERT_TRUE(profile_->IsLoaded());
        ASSERT_EQ(classes.Read(*profile_), 0);
        ASSERT_EQ(accents.Read(*profile_), 0);
        ASSERT_EQ(PrepareRules(*profile_, classes, cross_word, rules), 0);
        clitics.Read(*profile_);
        tables = WordTables{&classes, &rules, &cross_word, &accents, &clitics, nullptr, nullptr};
        if (with_syllables) {
            dir.Write("stat/vzn.out", stat.vzn);
            dir.Write("stat/vc.out", stat.vc);
            dir.Write("stat/vzn_e.out", stat.vzn_e);
            dir.Write("stat/vzn_o.out", stat.vzn_o);
            dir.Write("stat/vc_e.out", stat.vc_e);
            dir.Write("stat/vc_o.out", stat.vc_o);
            ASSERT_EQ(syllables.pripravi_zlogovanje(*profile_, dir.dir() + "stat/",
                                                    classes.ForcedSeparator()),
                      0);
            tables.syllables = &syllables;
        }
        if (!dictionary.empty()) {
            const std::vector<std::string> files = {dir.Write("osnovni.dct", dictionary)};
            ASSERT_EQ(dict.LoadFileList(files, true, DictionaryPriorities()), 0) << LastError();
            tables.dictionary = &dict;
        }
    }

    std::string Convert(std::string_view text, bool use_dictionary = true) {
        WordConverter w(tables);
        return w.Convert(text, use_dictionary);
    }

    TempDir dir;
    std::unique_ptr<Profile> profile_;
    CharClasses classes;
    AccentLists accents;
    RuleList rules, cross_word;
    CliticLists clitics;
    Syllabifier syllables;
    Dictionary dict;
    WordTables tables;
};

constexpr char kDictionary[] =
    "dober\tdo:bEr\r\n"
    "dober dan\tdo:bEr da:n\r\n"
    "dober dan vsem\tdo:bEr da:n fsEm\r\n"
    "na svidenje\tna svi:dEnjE\r\n"
    "grad\tgra:d\r\n"
    "je\tjE\r\n";

TEST_F(WordConversionTest, RulesTranscribeTheStressedWords) {
    Load();
    // The lists do not decide "miza"; without syllable tables the first
    // syllable is stressed. Punctuation stays a word of its own.
    EXPECT_EQ(Convert(". miza ."), ". mi:za . ");
    EXPECT_EQ(Convert(". ~a{a `aba ."), ". tSa:Sa Za:ba . ");
    EXPECT_EQ(Convert(". mladost ."), ". mlado:st . ");  // konczad: the last syllable
    EXPECT_EQ(Convert(". trg ."), ". t@rg . ");          // syllabic r
    EXPECT_EQ(Convert(". 123 miza ."), ".  mi:za . ");   // digits only: no phonemes
}

TEST_F(WordConversionTest, TheLongestDictionaryRunWins) {
    Load(GfpProfile(), kDictionary);
    EXPECT_EQ(Convert("dober dan vsem miza"), "do:bEr da:n fsEm mi:za ");
    EXPECT_EQ(Convert("dober dan miza"), "do:bEr da:n mi:za ");
    EXPECT_EQ(Convert("dober miza"), "do:bEr mi:za ");
    // "na" alone is no entry, so "na svidenje" is never tried.
    EXPECT_EQ(Convert("na svidenje"), "na: svi:denje ");
    // Without the dictionary every token goes through the rules.
    EXPECT_EQ(Convert("dober dan", false), "do:ber da:n ");
}

TEST_F(WordConversionTest, CrossWordRulesAdjustTheLastPhonemeOfADictionaryWord) {
    Load(GfpProfile(), kDictionary);
    EXPECT_EQ(Convert("grad kosa"), "gra:t ko:sa ");  // before a voiceless consonant
    EXPECT_EQ(Convert("grad miza"), "gra:d mi:za ");
    EXPECT_EQ(Convert("grad"), "gra:d ");
    EXPECT_EQ(Convert("kosa grad"), "ko:sa gra:d ");  // only after dictionary words
}

TEST_F(WordConversionTest, CliticsJoinTheirNeighbours) {
    GfpProfile p;
    Load(p);
    // je leans on both neighbours, v on the next word.
    EXPECT_EQ(Convert("miza je v hisi"), "mi:zaje:whi:si ");
    EXPECT_EQ(Convert("je miza"), "je:mi:za ");
    EXPECT_EQ(Convert("miza v ."), "mi:za w. ");  // the final punctuation follows directly

    p.vars["lepi_le_enkrat"] = "1";
    Load(p);
    // Glued once: je joins the word before it and is followed by a blank,
    // except as the first word of the sentence.
    EXPECT_EQ(Convert("miza je v hisi"), "mi:zaje: whi:si ");
    EXPECT_EQ(Convert("je miza"), "je:mi:za ");
}

TEST_F(WordConversionTest, DictionaryCliticsJoinToo) {
    Load(GfpProfile(), kDictionary);
    EXPECT_EQ(Convert("miza je miza"), "mi:zajEmi:za ");
}

TEST_F(WordConversionTest, TokensAndTheirOutputAreCutAt64Bytes) {
    Load();
    const std::string long_token(70, 'b');
    EXPECT_EQ(Convert(long_token), std::string(64, 'b') + " " + std::string(6, 'b') + " ");
    // Every "~" gives two bytes: the 33rd match finds 64 bytes and ends the token.
    std::string expected;
    for (int i = 0; i < 32; ++i) expected += "tS";
    EXPECT_EQ(Convert(std::string(40, '~')), expected + " ");
}

TEST_F(WordConversionTest, AnEmptyTargetRuleInsertsUntilTheLimit) {
    Load();
    RuleList inserting;
    ASSERT_EQ(inserting.Assign({"", "", "b", "x"}, classes), RuleList::ReadResult::kOk);
    tables.rules = &inserting;
    EXPECT_EQ(Convert("bb"), std::string(64, 'x') + " ");
    // A rule that neither consumes nor produces ends the token instead of
    // matching forever.
    RuleList idle;
    ASSERT_EQ(idle.Assign({"", "", "b", ""}, classes), RuleList::ReadResult::kOk);
    tables.rules = &idle;
    EXPECT_EQ(Convert("pb pb"), "p p ");
}

TEST_F(WordConversionTest, TheSentenceEndsWithTheLastWordWithin776Bytes) {
    Load();
    std::string text;
    for (int i = 0; i < 200; ++i) text += "miza ";
    const std::string out = Convert(text);
    std::string expected;
    for (int i = 0; i < 129; ++i) expected += "mi:za ";  // 129 x 6 = 774 bytes
    EXPECT_EQ(out, expected);
    EXPECT_LE(out.size(), kPhonemeStringLimit);
}

TEST_F(WordConversionTest, StressAndQualityFromTheSyllableTables) {
    Load(GfpProfile(), "", true);
    WordConverter w(tables);
    struct Case {
        const char* word;
        const char* accented;
        const char* phonemes;
    };
    const Case cases[] = {
        {"mama", " mam/a ", "mama:"},        // vzn.out: zv.zv -> 2
        {"kosa", " k/Osa ", "kO:sa"},        // vc.out: cv.cv -> 1; vzn_o: o -> O
        {"mete", " m/Ete ", "mE:te"},        // vc.out; vzn_e misses, vc_e: e -> E
        {"lopata", " lop/ata ", "lopa:ta"},  // no table: najverjetnejsi_zlogi[2]
        {"lopatalopata", " lop/atalopata ", "lopa:talopata"},  // six: the last entry
        {"mladost", " mlad/ost ", "mlado:st"},  // the lists come first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(w.Accent(c.word), c.accented) << c.word;
        EXPECT_EQ(w.Transcribe(w.Accent(c.word)), c.phonemes) << c.word;
    }
}

}  // namespace
}  // namespace tarvox
