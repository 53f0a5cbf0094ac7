#include "prosody/mikro.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "base/diag.h"
#include "fixture.h"

namespace tarvox {
namespace {

using testing::PhonologyFixture;
using testing::ProsodyDataDir;
using testing::ReadFile;
using testing::TempDir;

// Constants that leave durations as the tables give them: no gain, no
// minimum, scales of 100 %, method 2, no jitter; pitch B = 0, F = 115,
// L = 105 everywhere.
std::map<int, int> Neutral() {
    return {{0, 100},  {1, 100}, {6, 115},  {7, 105},  {31, 100}, {32, 100}, {34, 100},
            {35, 100}, {47, 2},  {51, 115}, {52, 105}, {54, 115}, {55, 105}, {57, 100}};
}

std::string Constants(std::map<int, int> k) {
    std::string s = "Konstante =";
    for (int i = 0; i < 80; ++i) s += " " + std::to_string(k.count(i) ? k[i] : 0);
    return s + "\n";
}

class MikroTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearError(); }
    // The golden profile with some keys given first (the first one wins).
    std::unique_ptr<TMikro> Make(std::map<int, int> k, const std::string& overrides = "") {
        const std::string text = Constants(std::move(k)) + overrides + base;
        return std::make_unique<TMikro>(dir.Write("mikro.ini", text), fx.phonology);
    }
    // "name dur pitch" per record.
    static std::string Show(const TMikro& m) {
        std::string s;
        for (const StageRecord& r : m.Records()) {
            if (!s.empty()) s += " | ";
            s += std::string(SymbolOf(r.symbol)) + " " + std::to_string(r.duration) + " " +
                 std::to_string(r.pitch);
        }
        return s;
    }
    static std::string Durations(const TMikro& m) {
        std::string s;
        for (const StageRecord& r : m.Records()) {
            if (!s.empty()) s += " ";
            s += std::string(SymbolOf(r.symbol)) + ":" + std::to_string(r.duration);
        }
        return s;
    }
    std::vector<MikroWord> Words(TMikro& m, const std::string& phrase) {
        std::vector<MikroWord> words;
        EXPECT_TRUE(m.Process(phrase, 1000, words));
        return words;
    }

    PhonologyFixture fx;
    TempDir dir;
    std::string base = ReadFile(ProsodyDataDir() + "mikro.ini");
};

TEST(TempoOfRate, ModesAndFineValues) {
    struct Case {
        int rate, mode, fine;
    };
    const Case cases[] = {{0, 0, 0},    {-4, 0, 0},  {4, 0, 100}, {1, 0, 62},   {-3, 0, 12},
                          {3, 0, 87},   {5, 1, 50},  {7, 1, 70},  {10, 1, 100}, {25, 1, 100},
                          {-5, 2, 100}, {-7, 2, 60}, {-10, 2, 0}, {-30, 2, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(TempoOfRate(c.rate).mode, c.mode);
        EXPECT_EQ(TempoOfRate(c.rate).fine, c.fine);
    }
}

TEST_F(MikroTest, SetTempoLogsExceptForZero) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    std::vector<std::string> seen;
    SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
    m->SetTempo(4);
    m->SetTempo(0);
    m->SetTempo(-6);
    SetTraceHook(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"hitrost 0 hitrost_fina 100",
                                              "hitrost 2 hitrost_fina 80"}));
    EXPECT_EQ(m->Mode(), 2);
}

TEST_F(MikroTest, PhraseExtraction) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    EXPECT_EQ(m->Phrases("  dO:bEr  da:n,ka:ko stE? tu:di"),
              (std::vector<std::string>{"dO:bEr da:n , ka:ko stE ?", "tu:di ."}));
    // A run of marks forms one record; blanks between them are dropped.
    EXPECT_EQ(m->Phrases(". da:n . ? ,\tja:"), (std::vector<std::string>{"da:n .?,", "ja: ."}));
    EXPECT_TRUE(m->Phrases(" . ! ").empty());
}

TEST_F(MikroTest, WordClassAccentTypeAndPosition) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    std::vector<MikroWord> w = Words(*m, "ka: ka:ta tata: , ka:ptata ?");
    ASSERT_EQ(w.size(), 6u);
    EXPECT_EQ(std::string({w[0].word_class, w[1].word_class, w[2].word_class, w[4].word_class}),
              "obob");
    EXPECT_EQ(std::string({w[0].position, w[1].position, w[2].position, w[4].position}), "ZskK");
    EXPECT_EQ(w[3].kind, 'l');
    EXPECT_EQ(w[3].mark, ',');
    EXPECT_EQ(w[1].syllables.size(), 2u);
    EXPECT_EQ(w[1].syllables[0].stress, 1);
    EXPECT_EQ(w[1].syllables[1].stress, 0);
    // A word after punctuation and before a word is "z"; without anything
    // after it a word is phrase-final.
    w = Words(*m, "ta , ta ta");
    EXPECT_EQ(std::string({w[0].position, w[2].position, w[3].position}), "kzK");
}

TEST_F(MikroTest, AccentTypeRules) {
    struct Case {
        int rule;
        const char* word;
        char type;
    };
    // ka:ptata: the stressed syllable ka:p ends in a consonant.
    const Case cases[] = {
        {0, "ka:ptata", 'a'},   {0, "kapta", 'c'},   {1, "ka:ptata", 'c'}, {1, "ka:tata", 'a'},
        {1, "kata", 'c'},       {2, "kata", 'a'},    {3, "ka:ta", 'c'},    {4, "ka:ptata", 'c'},
        {4, "ka:ptatata", 'a'}, {4, "ka:tata", 'a'}, {4, "katata", 'c'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rule) + " " + c.word);
        std::map<int, int> k = Neutral();
        k[30] = c.rule;
        std::unique_ptr<TMikro> m = Make(k);
        EXPECT_EQ(Words(*m, std::string(c.word) + " .")[0].accent_type, c.type);
    }
    std::map<int, int> k = Neutral();
    k[30] = 9;
    std::unique_ptr<TMikro> m = Make(k);
    EXPECT_EQ(Words(*m, "ka:ta .")[0].accent_type, 'c');
    EXPECT_EQ(LastError(), "Napaka pri dolocanju 'a' oziroma 'c'");
}

TEST_F(MikroTest, DurationsByClassAndColumn) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    struct Case {
        const char* word;
        const char* durations;
    };
    const Case cases[] = {
        // stressed: class b first syllable column 1, later column 2, class o column 3
        {"ma:ta", "m:70 a::130 t:85 a:60"},  // unstressed after it: 2 syllables, column 3
        {"tata:ta",
         "t:85 a:70 t:85 a::120 t:85 a:55"},          // before: ends in vowel, col 1; after: col 4
        {"tata:", "t:85 a:70 t:85 a::140"},           // class o
        {"tata:t", "t:85 a:65 t:85 a::140 t:85"},     // before, word ends in a consonant: col 2
        {"E:ma:st", "E::120 m:70 a::120 s:80 t:85"},  // cluster at the end: CC then VCV
        {"tEtO", "t:85 E:55 t:85 O:55"},              // no stress: 2 syllables, column 3 (e, o)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        ASSERT_EQ(m->Run((std::string(c.word) + " ").c_str(), 0), 0);
        std::string d = Durations(*m);
        EXPECT_EQ(d.substr(0, d.rfind(' ')), c.durations);  // without the "." record
    }
}

// The schwa "@" is also the letter code of a capital letter; as a phoneme
// name it keeps its own vowel class.
TEST_F(MikroTest, UnstressedSchwaKeepsItsClass) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    ClearError();
    ASSERT_EQ(m->Run("t@ta: ", 0), 0);
    EXPECT_EQ(LastError().find("nenaglasenih"), std::string::npos) << LastError();
}

TEST_F(MikroTest, PausesBoundariesAndOutputRecords) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    m->Reset(7);
    ASSERT_EQ(m->Run("ta: ta: , ta: ?!", 0), 0);
    // "?!" ends in the special "!": its pause (300) is chosen.
    EXPECT_EQ(Durations(*m), "t:85 a::140 _:7 t:85 a::140 ,:150 t:85 a::140 !:300");
    m->Reset(0);
    m->SetTempo(5);  // fast: pauses x K[34] = 100 %
    ASSERT_EQ(m->Run("ta: ta:", 0), 0);
    EXPECT_EQ(Durations(*m), "t:68 a::98 _:0 t:68 a::98 .:300");
    EXPECT_EQ(m->ReferencePitch(), 110);
}

TEST_F(MikroTest, SpeedModes) {
    std::map<int, int> k = Neutral();
    k[0] = 50;  // shortening 30 % (vowels) or 20 % (consonants) at half scale
    k[1] = 100;
    k[34] = 70;
    k[35] = 130;
    std::unique_ptr<TMikro> m = Make(k);
    m->SetTempo(6);
    ASSERT_EQ(m->Run("ta: ,", 0), 0);
    // t: (100 - 10) x 85 / 100 + 0.5 = 77; a: 85 % of 140 = 119; "," 70 % of 150
    EXPECT_EQ(Durations(*m), "t:77 a::119 ,:105");
    m->SetTempo(-8);
    ASSERT_EQ(m->Run("ta: ,", 0), 0);
    // t: 125 % of 85 = 106.25 + 0.5; a: 140 % of 140; "," 130 % of 150
    EXPECT_EQ(Durations(*m), "t:106 a::196 ,:195");
}

TEST(SpeedOfRate, ThreeToTheRateOverTen) {
    struct Case {
        double rate, ratio, speed;
    };
    const Case cases[] = {{0, 3, 1},    {10, 3, 3},     {-10, 3, 1.0 / 3}, {5, 3, std::sqrt(3.0)},
                          {25, 3, 3},   {-25, 3, 1.0 / 3}, {2.5, 3, std::pow(3.0, 0.25)},
                          {10, 0, 1},   {10, 1, 1},     {NAN, 3, 1}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(SpeedOfRate(c.rate, c.ratio), c.speed) << c.rate;
}

TEST(ScaleDurations, ElasticPhonemesChangeMostAndTheTotalFollows) {
    struct Case {
        std::vector<int> durations, elasticity;
        double factor;
        int shortest;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // Factor 1: nothing changes, whatever the floor.
        {{80, 120, 5}, {20, 30, 30}, 1.0, 9, {80, 120, 9}},
        // A third: 200 ms become 67; the vowel (elasticity 30, a power of
        // 30 / 26 of the factor) shrinks more than the consonant (20 / 26).
        {{80, 120}, {20, 30}, 1.0 / 3, 0, {34, 33}},
        // Three times: 600 ms, the vowel growing most.
        {{80, 120}, {20, 30}, 3.0, 0, {182, 418}},
        // Equal elasticity (or none at all): every duration alike.
        {{80, 120}, {25, 25}, 0.5, 0, {40, 60}},
        {{80, 120}, {0, 0}, 0.5, 0, {40, 60}},
        // The floor holds a short phoneme up.
        {{20, 120}, {30, 30}, 1.0 / 3, 9, {9, 40}},
    };
    for (const Case& c : cases) {
        std::vector<int> d = c.durations;
        ScaleDurations(d, c.elasticity, c.factor, c.shortest);
        EXPECT_EQ(d, c.expected) << c.factor;
    }
}

TEST_F(MikroTest, TheLogarithmicRateScalesWordsAndPauses) {
    const std::string keys = "Hitrost_razmerje = 3\nHitrost_pavze = 1.3\nHitrost_najkrajsa = 9\n";
    std::unique_ptr<TMikro> normal = Make(Neutral());
    std::unique_ptr<TMikro> m = Make(Neutral(), keys);
    // Rate 0 is the normal rate of a profile without the keys.
    m->SetTempo(0);
    ASSERT_EQ(normal->Run("ta: ta: , ta: ?", 0), 0);
    ASSERT_EQ(m->Run("ta: ta: , ta: ?", 0), 0);
    EXPECT_EQ(Show(*m), Show(*normal));
    EXPECT_EQ(m->Speed(), 1.0);

    std::vector<std::string> seen;
    SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
    m->SetTempo(10);
    SetTraceHook(nullptr);
    EXPECT_EQ(seen, std::vector<std::string>{"hitrost x3.000"});
    EXPECT_EQ(m->Mode(), 0);
    EXPECT_EQ(m->Fine(), 0);
    ASSERT_EQ(m->Run("ta: ta: , ta: ?", 0), 0);
    // Each word: 225 ms to 75, a: (140 ms, elasticity 30) shrinking more than
    // t (85 ms, 20); the comma's 150 ms and the question mark's 300 ms times
    // 3^-1.3.
    EXPECT_EQ(Durations(*m), "t:36 a::39 _:0 t:36 a::39 ,:36 t:36 a::39 ?:72");

    m->SetRate(-7.5);
    EXPECT_DOUBLE_EQ(m->Speed(), std::pow(3.0, -0.75));
    // A third of the speed: 675 ms a word, pauses times 3^1.3 but at most
    // 1500 ms (unless already longer).
    m->SetTempo(-10);
    m->Reset(400);
    ASSERT_EQ(m->Run("ta: ta: ?", 0), 0);
    EXPECT_EQ(Durations(*m), "t:184 a::491 _:1500 t:184 a::491 ?:1251");
    m->Reset(2000);
    ASSERT_EQ(m->Run("ta: ta: ?", 0), 0);
    EXPECT_EQ(Durations(*m), "t:184 a::491 _:2000 t:184 a::491 ?:1251");
}

TEST_F(MikroTest, WithoutTheLogarithmicScaleAFineRateTakesTheNearestMode) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    m->SetRate(4.6);
    EXPECT_EQ(m->Mode(), 1);
    EXPECT_EQ(m->Fine(), 50);
    EXPECT_EQ(m->Speed(), 1.0);
    m->SetRate(-4.4);
    EXPECT_EQ(m->Mode(), 0);
    EXPECT_EQ(m->Fine(), 0);
}

TEST_F(MikroTest, RateNormalisationMethodTwo) {
    std::map<int, int> k = Neutral();
    k[2] = 30;
    std::unique_ptr<TMikro> m = Make(k, "TA_Normalno = 5 0 5 0 5 0\n");
    // One syllable, 225 ms: R = 1000 / 225 / 5 = 0.8889, P = -3.333.
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:82 a::135 .:300");
    // Fine 100 moves the target to 5 + 51 / 25 = 7.04: P = -11.06.
    m->SetTempo(4);
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:76 a::125 .:300");
    // A large gain stops at P = 50 when the word is fast.
    k[2] = 1000;
    m = Make(k, "TA_Normalno = 1 0 1 0 1 0\n");
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:128 a::210 .:300");
}

TEST_F(MikroTest, RateNormalisationByElasticity) {
    std::map<int, int> k = Neutral();
    k[2] = 30;
    k[47] = 0;
    std::unique_ptr<TMikro> m = Make(k, "TA_Normalno = 5 0 5 0 5 0\n");
    // P = -3.333 < 0: e = -0.2 (t), -0.3 (a:); E = (-0.2 x 85 - 0.3 x 140) / 225.
    // t: 85 x (1 - 0.2 x -0.0333 / -0.2622) + 0.5; a: likewise with 0.3.
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:83 a::135 .:300");
    // Nothing elastic: the durations stay.
    std::string zeros = "Krajsanje_Hiter_govor =";
    for (int i = 0; i < 36; ++i) zeros += " 0";
    m = Make(k, "TA_Normalno = 5 0 5 0 5 0\n" + zeros + "\n");
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:85 a::140 .:300");
}

TEST(DurationLadder, RecentresOnTheRungOfTheDuration) {
    std::array<int, 400> r = DurationLadder(100, 1.0, 2.0, 100);
    EXPECT_EQ(r[199], 100);
    EXPECT_EQ(r[200], 102);
    EXPECT_EQ(r[198], 99);
    EXPECT_EQ(r[0], -98);  // -98.5 truncated toward zero
    r = DurationLadder(100, 1.0, 2.0, 95);
    EXPECT_EQ(r[199], 95);
    EXPECT_EQ(r[198], 94);
    EXPECT_EQ(r[204], 100);
    EXPECT_EQ(r[205], 102);
    // Between rungs: 101 lies at the rung of 100.
    EXPECT_EQ(DurationLadder(100, 1.0, 2.0, 101)[199], 100);
    // Beyond the ladder: the rung one step past its end.
    r = DurationLadder(100, 1.0, 2.0, 1000);
    EXPECT_EQ(r[199], 500);
    EXPECT_EQ(r[198], 498);
    EXPECT_EQ(r[200], 502);
}

// The ladder rebuilt rung by rung in real numbers, each rung rounded from
// its neighbour; the engine does the same in integers.
std::array<int, 400> LadderByRealSteps(int centre, double s, double l, int d) {
    auto round = [](double v) { return static_cast<int>(v + 0.5); };
    std::array<int, 401> old{};
    for (int k = 0; k <= 400; ++k)
        old[static_cast<std::size_t>(k)] =
            k < 200 ? round(centre - (200 - k) * s) : round(centre + (k - 200) * l);
    auto lies = [&](int i) {
        return old[static_cast<std::size_t>(i - 1)] <= d &&
               d < old[static_cast<std::size_t>(i + 1)];
    };
    std::array<int, 400> r{};
    if (d < centre) {
        int at = 0;
        for (int i = 1; i <= 200 && at == 0; ++i) at = lies(i) ? i : 0;
        for (int k = 0; k <= 200; ++k)
            r[static_cast<std::size_t>(199 + k)] = old[static_cast<std::size_t>(at + k)];
        for (int j = 198; j >= 0; --j)
            r[static_cast<std::size_t>(j)] = round(r[static_cast<std::size_t>(j + 1)] - s);
    } else {
        int at = 400;
        for (int i = 398; i >= 200; --i) at = lies(i) ? i : at;
        for (int k = 0; k <= 199; ++k)
            r[static_cast<std::size_t>(199 - k)] = old[static_cast<std::size_t>(at - k)];
        for (int j = 200; j < 400; ++j)
            r[static_cast<std::size_t>(j)] = round(r[static_cast<std::size_t>(j - 1)] + l);
    }
    return r;
}

TEST(DurationLadder, IntegerStepsEqualRealRounding) {
    // Profile-like values: centre 30..150 ms, steps from 0 to 100 % / 25,
    // durations on and beyond both ends, negative rungs included.
    // Negative percentages run the ladders the other way.
    for (int centre : {30, 75, 90, 150})
        for (int pct : {-60, -25, 0, 10, 20, 25, 30, 37, 40, 50, 75, 100, 330})
            for (int d : {-5, 0, 10, 29, 60, 89, 90, 91, 140, 300, 2000}) {
                const double s = centre * pct / 100.0 / 25.0;
                const double l = centre * (pct + 5) / 100.0 / 25.0;
                ASSERT_EQ(DurationLadder(centre, s, l, d), LadderByRealSteps(centre, s, l, d))
                    << centre << " " << pct << " " << d;
            }
}

TEST(DurationLadder, ChoosesTheRungOfTheTarget) {
    std::array<long long, 400> sums{};
    for (std::size_t j = 0; j < 400; ++j) sums[j] = 10 * static_cast<long long>(j);
    EXPECT_EQ(ChooseRung(sums, 1995.0), 199);
    EXPECT_EQ(ChooseRung(sums, 2000.0), 200);  // first j with sums[j-1] <= t < sums[j+1]
    EXPECT_EQ(ChooseRung(sums, 2011.0), 201);
    EXPECT_EQ(ChooseRung(sums, 5.0), 1);
    EXPECT_EQ(ChooseRung(sums, -1.0), 0);
    EXPECT_EQ(ChooseRung(sums, 99999.0), 399);
}

TEST_F(MikroTest, RateNormalisationByLadder) {
    std::map<int, int> k = Neutral();
    k[2] = 30;
    k[47] = 1;
    std::unique_ptr<TMikro> m = Make(k, "TA_Normalno = 5 0 5 0 5 0\n");
    // t: N 75, steps 0.6 / 0.75; a: N 90, steps 1.08 / 1.44. q x S = 217.5;
    // the sums around rung 199 run 214 217 219 221 223 225 (rungs 194 to
    // 199), so the first rung whose neighbours bracket 217.5 is 195: t 82
    // (rung of 85 minus 4 x 0.75) and a: 135.
    ASSERT_EQ(m->Run("ta: .", 0), 0);
    EXPECT_EQ(Durations(*m), "t:82 a::135 .:300");
}

TEST_F(MikroTest, LimitsScalesAndFinalLengthening) {
    std::map<int, int> k = Neutral();
    k[41] = 500;  // vowels at least 40 x 5 = 200
    k[32] = 50;
    k[31] = 200;
    k[57] = 150;
    std::unique_ptr<TMikro> m = Make(k);
    ASSERT_EQ(m->Run("ta:ta ta:ta .", 0), 0);
    // t: 85 x 2; a: 200 x 0.5; the second word's last syllable x 1.5
    EXPECT_EQ(Durations(*m), "t:170 a::100 t:170 a:100 _:0 t:170 a::100 t:255 a:150 .:300");
}

TEST_F(MikroTest, PitchTargetsAccentAndInterpolation) {
    std::map<int, int> k = Neutral();
    k[30] = 2;   // always type a
    k[20] = 12;  // class o nucleus
    k[21] = -8;  // last phoneme below it
    std::unique_ptr<TMikro> m = Make(k);
    // ma:t in the middle: a: = 118 (column 3) + 12; t = 130 - 8; m = F + B.
    ASSERT_EQ(m->Run("ma:t ma:t ma:t .", 0), 0);
    EXPECT_EQ(
        Show(*m),
        "m 70 115 | a: 140 130 | t 85 122 | _ 0 0 | m 70 115 | a: 140 130 | t 85 122 | _ 0 0 | "
        "m 70 115 | a: 140 130 | t 85 122 | . 300 0");
    // s and t lie between a: (122) and a (108): midpoints 150, 255, 337.5
    // and 410 ms, so 122 - 14 x 105 / 260 and 122 - 14 x 187.5 / 260, +0.5.
    k[36] = 100;
    k[37] = 100;
    m = Make(k);
    ASSERT_EQ(m->Run("ta:sta .", 0), 0);
    EXPECT_EQ(Show(*m), "t 85 115 | a: 130 122 | s 80 116 | t 85 112 | a 60 108 | . 300 0");
}

TEST_F(MikroTest, TypeCNucleusIsPulledDown) {
    std::map<int, int> k = Neutral();
    k[30] = 3;  // always type c
    k[15] = 0;
    k[16] = 60;  // second nucleus far above
    k[38] = 10;
    k[39] = 100;
    std::unique_ptr<TMikro> m = Make(k);
    ASSERT_EQ(m->Run("ka:ta .", 0), 0);
    // The first nucleus stays below F + B + 10 = 125; the second, 108 + 60,
    // is pulled down to 122 + 10; t is interpolated between them.
    EXPECT_EQ(Show(*m), "k 90 115 | a: 130 122 | t 85 128 | a 60 132 | . 300 0");
}

TEST_F(MikroTest, JitterIsDeterministic) {
    std::map<int, int> k = Neutral();
    std::unique_ptr<TMikro> quiet = Make(k);
    ASSERT_EQ(quiet->Run("ka:ta ma:ma .", 0), 0);
    const std::vector<StageRecord> plain(quiet->Records().begin(), quiet->Records().end());
    k[46] = 3;
    std::unique_ptr<TMikro> m = Make(k);
    ASSERT_EQ(m->Run("ka:ta ma:ma .", 0), 0);
    const std::string first = Show(*m);
    ASSERT_EQ(m->Run("ka:ta ma:ma .", 0), 0);
    EXPECT_EQ(Show(*m), first);
    bool moved = false;
    ASSERT_EQ(m->Records().size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i].pitch == 0) continue;  // boundaries and marks carry no pitch
        EXPECT_LE(std::abs(m->Records()[i].pitch - plain[i].pitch), 3);
        moved |= m->Records()[i].pitch != plain[i].pitch;
    }
    EXPECT_TRUE(moved);
}

TEST_F(MikroTest, TooManyPhonemesForTheInput) {
    std::unique_ptr<TMikro> m = Make(Neutral());
    std::vector<MikroWord> words;
    EXPECT_FALSE(m->Process("ta:ta .", 3, words));
    EXPECT_EQ(LastError(), "Func. mikro(): Premajhen izhodni medpomnilnik!\n");
}

TEST_F(MikroTest, ProfileMessages) {
    std::vector<std::string> seen;
    SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
    EXPECT_THROW(Make(Neutral(), "Hitrost_Fina_nastavitev\n"), int);  // a line without "="
    EXPECT_EQ(seen.back(), "TMikro: Constructor failed to create class!");
    EXPECT_EQ(seen[seen.size() - 2], "TMikro: Profile could not be created properly!");
    seen.clear();
    // Two entries short in a per-phoneme list.
    EXPECT_THROW(Make(Neutral(), "Omejitev_Dolzine = 1\nKrajsanje_Hiter_govor = 1 2\n"), int);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0],
              "\nMikro: : Napaka v resource datoteki!\nRazlika v stevilu fonemov in pripadajocih "
              "konstant!\n");
    EXPECT_EQ(seen[1], "Napaka: init_mikro_profile");
    EXPECT_EQ(seen[2], "TMikro: Profile can not be read!");
    seen.clear();
    EXPECT_THROW(TMikro(dir.Write("m.prf", "x = 1\n"), fx.phonology), int);
    EXPECT_EQ(seen, (std::vector<std::string>{"TMikro: Could not find " + dir.file("m") +
                                              ".ini or " + dir.file("m") + ".ins ! Aborting!"}));
    SetTraceHook(nullptr);

    // Every key is required.
    for (const char* key :
         {"Vhodna_Datoteka", "Hitrost", "Nabor_fonemov", "Nabor_locil", "Meja_med_besedami",
          "Presledki", "Dolzina_Pavz", "Nor_Ben_Dolzine", "TA_Pocasi"}) {
        SCOPED_TRACE(key);
        std::string text = Constants(Neutral()) + base;
        const std::size_t at = text.find(std::string("\n") + key + " =");
        ASSERT_NE(at, std::string::npos);
        text.insert(at + 1, "#");
        seen.clear();
        SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
        EXPECT_THROW(TMikro(dir.Write("mikro.ini", text), fx.phonology), int);
        SetTraceHook(nullptr);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen[0], std::string("Napaka: Ime ") + key + " ne obstaja\n");
    }
}

}  // namespace
}  // namespace tarvox
