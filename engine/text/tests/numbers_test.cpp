#include "text/numbers.h"

#include <gtest/gtest.h>

#include "text_fixture.h"

namespace tarvox {
namespace {

using testing::TextFixture;

class Numbers : public ::testing::Test {
protected:
    std::string Words(long value, bool ordinal = false, std::string_view ending = "i") {
        std::string out;
        int error = -1;
        EXPECT_EQ(NumberWords(f.numbers, value, ending, ordinal, out, error), 0) << value;
        EXPECT_EQ(error, kNumberOk);
        return out;
    }
    std::string Expand(std::string sentence) {
        EXPECT_EQ(ExpandNumbers(sentence, f.numbers, f.classes), 0);
        return sentence;
    }
    TextFixture f;
};

TEST_F(Numbers, CardinalWords) {
    struct Case {
        long value;
        const char* words;
    };
    const Case cases[] = {
        {0, "ni~ "},
        {7, "sedem "},
        {21, "enaindvajset "},
        {100, "sto "},
        {200, "dvesto "},
        {1000, "tiso~ "},
        {1100, "tiso~ sto "},
        {1999, "tiso~ devetsto devetindevetdeset "},
        {2000, "dva tiso~ "},
        {21005, "enaindvajset tiso~ pet "},
        {100000, "sto tiso~ "},
        {101000, "sto ena tiso~ "},
        {123456, "sto triindvajset tiso~ {tiristo {estinpetdeset "},
        {999999, "devetsto devetindevetdeset tiso~ devetsto devetindevetdeset "},
    };
    for (const Case& c : cases) EXPECT_EQ(Words(c.value), c.words) << c.value;
}

TEST_F(Numbers, OrdinalWords) {
    struct Case {
        long value;
        const char* ending;
        const char* words;
    };
    const Case cases[] = {
        {0, "i", "ni~ti "},
        {1, "i", "prvi "},
        {5, "ega", "petega "},
        {21, "em", "enaindvajsetem "},
        {105, "i", "sto peti "},
        {200, "i", "dvestoti "},
        {1000, "i", "tiso~i "},
        {2300, "ih", "dva tiso~ tristotih "},
        {3, "predolgakoncnica", "tretjpredolg "},  // an ending has at most 7 characters
    };
    for (const Case& c : cases) EXPECT_EQ(Words(c.value, true, c.ending), c.words) << c.value;
}

TEST_F(Numbers, WordsAboveTheRangeAreAnError) {
    std::string out = "x ";
    int error = 0;
    EXPECT_EQ(NumberWords(f.numbers, 1000000, "", false, out, error), -1);
    EXPECT_EQ(error, kNumberHundreds);
    EXPECT_EQ(out, "x ");
}

TEST_F(Numbers, MonthsAndEndings) {
    EXPECT_EQ(MonthIndex(f.numbers, "januarja"), 1);
    EXPECT_EQ(MonthIndex(f.numbers, "maja"), 5);
    EXPECT_EQ(MonthIndex(f.numbers, "Maja"), 0);
    EXPECT_EQ(ChooseEnding("razredih", f.numbers.word_endings, f.numbers.word_results), "ih");
    EXPECT_EQ(ChooseEnding("vrsta", f.numbers.word_endings, f.numbers.word_results), "i");
    EXPECT_EQ(ChooseEnding("xyz", f.numbers.word_endings, f.numbers.word_results), "");
}

TEST_F(Numbers, ExpandsTheSentence) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {". Rodil se je 5 | maja 1990 . ", ". Rodil se je petega maja tiso~ devetsto devetdeset . "},
        {". 200 | xyz .", ". dvestoti xyz ."},
        {". 200 | razredih .", ". dvestotih razredih ."},
        {". 5 | vrsta .", ". peti vrsta ."},
        {". 05 | maja .", ". petega maja ."},
        {". 1000 2000 100000 1100 .", ". tiso~ dva tiso~ sto tiso~ tiso~ sto ."},
        {". 0 in 007 .", ". ni~ in ni~ ni~ sedem ."},
        {". 1234567 .", ". ena dva tri {tiri pet {est sedem ."},
        {". 3 ' 5 in 1 \" 000 .", ". tri ' pet in ena \" ni~ ni~ ni~ ."},
        {". \\ 5 stopinj", ". \\ pet stopinj ."},
        {". 12345678901234567890 .",
         ". ena dva tri {tiri pet {est sedem osem devet ni~ ena dva tri {tiri pet {est sedem "
         "osem devet ni~ ."},
        {". brez stevil", ". brez stevil ."},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
}

TEST_F(Numbers, LongOutputIsCutAtTheLastWord) {
    std::vector<std::string> traces;
    SetTraceHook([&](std::string_view t) { traces.emplace_back(t); });
    std::string sentence = ". ";
    for (int i = 0; i < 40; ++i) sentence += "999999 ";
    const std::string out = Expand(sentence);
    SetTraceHook(nullptr);
    EXPECT_LE(out.size(), kSentenceStepLimit + 2);
    EXPECT_EQ(out.substr(out.size() - 2), " .");
    const std::string body = out.substr(0, out.size() - 2);
    EXPECT_TRUE(body.ends_with("devetsto") || body.ends_with("devetindevetdeset") ||
                body.ends_with("tiso~"))
        << body;
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0], "*** Stavek je predolg. Ostanek stavka ne bo pretvorjen.");
}

TEST_F(Numbers, AnErrorLeavesTheSentence) {
    NumberTables empty;  // too few words: every number fails
    std::string sentence = ". 5 jabolk .";
    ClearError();
    EXPECT_EQ(ExpandNumbers(sentence, empty, f.classes), -1);
    EXPECT_EQ(sentence, ". 5 jabolk .");
    EXPECT_EQ(LastError(), "Napaka 001\n");
}

TEST(NumberTables, ReadChecksTheCounts) {
    const std::string good = testing::FixtureProfile();
    struct Case {
        std::string profile;
        int result;
    };
    const Case cases[] = {
        {good, 0},
        {"gl_stevnik = a\tb\n" + good, -1},
        {"vrst_koren = a\tb\n" + good, -1},
        {"mesec = \n" + good, -1},
        {"vrst_konc_mes = a\tb\n" + good, -1},
        {"vrst_konc = a\n" + good, -1},
    };
    for (const Case& c : cases) {
        testing::TempDir dir;
        Profile p(dir.Write("gfp.ini", c.profile), false);
        ASSERT_TRUE(p.IsLoaded());
        NumberTables t;
        ClearError();
        EXPECT_EQ(t.Read(p), c.result);
        if (c.result < 0) {
            EXPECT_EQ(LastError(), "Napaka: v ini datoteki (ini_gfp): pripravi_stevilke");
        }
    }
}

}  // namespace
}  // namespace tarvox
