#include "prosody/makro.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/inventory.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

// The converter's inventory: a and a: share the output symbol "a", and so
// do i and i:; the accent set marks a:, E:, i: and o: with ":".
constexpr char kGfp[] =
    "male_crke = abdeiklmnoprstuvz\n"
    "Razvrstitev_grafemov = 1331132221233132\n"
    "samoglasniki = aeiou\n"
    "zlog_break = \"\n"
    "najverjetnejsi_zlogi = 1\n"
    "Nabor_fonemov = a\ta:\tE\tE:\ti\ti:\to:\tu\tb\td\tk\tl\tm\tn\tp\tr\ts\tt\tv\tz\tj\n"
    "Razvrstitev_fonemov = 111111113333222232322\n";

struct Keys {
    std::map<std::string, std::string> v = {
        {"Nabor_locil", "\"_.,!?;\""},
        {"Podaljsanje_locil", "1.5 2"},
        {"Pretvorba_locil", "\" .,!?;\""},
        {"Nabor_izhodnih_fonemov", "\"aaeeiioubdklmnprstvzj\""},
        {"Nabor_naglasenosti", "\" : : :: -------------\""},
        {"Locila", "1 2 3 4 5"},
        {"Posebna_locila", "3 4"},
        {"Presledek", "0"},
        {"izjeme_tez", "ta:m"},
        {"Izjeme_pre", "ki"},
        {"Izjeme_pre_cas", "77"},
        {"stavcna_intonacija_prip", "100\t120\t80\t150\t100\t10\t10"},
        {"stavcna_intonacija_vpra", "90\t150\t200\t100\t100\t10\t10"},
        {"stavcna_intonacija_neko", "100\t110\t105\t100\t100\t10\t10"},
        {"stavcna_intonacija_vzkl", "110\t130\t70\t100\t100\t10\t10"},
    };
    std::string Text() const {
        // The reading order, so that a test can drop one key.
        static const char* order[] = {"Nabor_locil",
                                      "Podaljsanje_locil",
                                      "Pretvorba_locil",
                                      "Nabor_izhodnih_fonemov",
                                      "Nabor_naglasenosti",
                                      "Locila",
                                      "Posebna_locila",
                                      "Presledek",
                                      "izjeme_tez",
                                      "Izjeme_pre",
                                      "Izjeme_pre_cas",
                                      "stavcna_intonacija_prip",
                                      "stavcna_intonacija_vpra",
                                      "stavcna_intonacija_neko",
                                      "stavcna_intonacija_vzkl",
                                      "omeji_naklon",
                                      "freq_po_premici",
                                      "stavcna_intonacija_dopo",
                                      "razdeli_koncni_naglas"};
        std::string s;
        for (const char* k : order)
            if (auto it = v.find(k); it != v.end()) s += std::string(k) + " = " + it->second + "\n";
        return s;
    }
};

struct In {
    const char* symbol;
    int duration;
    int pitch;
};

std::vector<StageRecord> Records(std::initializer_list<In> in) {
    std::vector<StageRecord> out;
    for (const In& i : in) {
        StageRecord r{};
        SetSymbol(r.symbol, i.symbol);
        r.duration = static_cast<std::int16_t>(i.duration);
        r.pitch = static_cast<std::int16_t>(i.pitch);
        out.push_back(r);
    }
    return out;
}

// "sym dur pitch" per record, joined by " | ".
std::string Show(std::span<const StageRecord> records) {
    std::string s;
    for (const StageRecord& r : records) {
        if (!s.empty()) s += " | ";
        s += std::string(SymbolOf(r.symbol)) + " " + std::to_string(r.duration) + " " +
             std::to_string(r.pitch);
    }
    return s;
}

class MakroTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearError();
        Profile gfp(dir.Write("gfp.ini", kGfp), false);
        ASSERT_EQ(inventory.Read(gfp), 0);
        phonology.inventory = &inventory;
    }
    std::unique_ptr<TMakro> Make(const Keys& keys, const char* name = "makro.ini") {
        return std::make_unique<TMakro>(dir.Write(name, keys.Text()), phonology);
    }
    std::string Run(const Keys& keys, std::initializer_list<In> in) {
        std::unique_ptr<TMakro> m = Make(keys);
        const std::vector<StageRecord> r = Records(in);
        EXPECT_EQ(m->Run(r), 0);
        EXPECT_EQ(m->Records().size(), r.size());
        return Show(m->Records());
    }
    TempDir dir;
    PhonemeInventory inventory;
    Phonology phonology;
};

TEST_F(MakroTest, WithoutCentreOnlyNamesChange) {
    // No accented phoneme and no centre word: pitch and duration stay, the
    // word boundary and the marks become "_".
    EXPECT_EQ(
        Run(Keys{}, {{"b", 60, 100}, {"E", 80, 110}, {"_", 5, 0}, {"s", 70, 0}, {".", 200, 0}}),
        "b 60 100 | E 80 110 | _ 5 0 | s 70 0 | _ 200 0");
}

TEST_F(MakroTest, PhonemeCountContourTruncatesAndKeepsSinglePrecision) {
    Keys k;
    k.v["stavcna_intonacija_prip"] = "100\t110\t80\t150\t100\t0\t0";
    // Before the centre: factors 100, 103.33333 and 106.66667 in single
    // precision; 150 x 103.33333f rounds to 15500 exactly, so 155 (double
    // arithmetic would give 154). After it: step (80 - 110) / 2.
    EXPECT_EQ(Run(k, {{"b", 50, 99},
                      {"E", 50, 150},
                      {"_", 0, 0},
                      {"s", 50, 150},
                      {"a:", 90, 100},
                      {"m", 50, 99},
                      {"a", 50, 100},
                      {".", 100, 0}}),
              "b 50 99 | E 50 155 | _ 0 0 | s 50 160 | a: 135 110 | m 50 94 | a 50 80 | _ 100 0");
}

TEST_F(MakroTest, PhraseWhoseOnlyPhonemeIsTheCentre) {
    EXPECT_EQ(Run(Keys{}, {{"a:", 101, 99}, {".", 100, 0}}), "a: 151 118 | _ 100 0");
}

TEST_F(MakroTest, PhraseDurationFactorAppliesAfterTheCentreFactor) {
    Keys k;
    k.v["stavcna_intonacija_prip"] = "100\t100\t100\t150\t50\t0\t0";
    EXPECT_EQ(Run(k, {{"b", 61, 100}, {"_", 20, 0}, {"a:", 100, 100}, {".", 100, 0}}),
              "b 30 100 | _ 20 0 | a: 75 100 | _ 100 0");
}

TEST_F(MakroTest, SlopeLimitStopsASteepLineButTheCentreGetsItsFactor) {
    Keys k;
    k.v["stavcna_intonacija_prip"] = "100\t200\t100\t100\t100\t10\t10";
    k.v["freq_po_premici"] = "1";
    const std::initializer_list<In> in = {{"b", 100, 100},  {"_", 40, 0},    {"E", 100, 100},
                                          {"a:", 100, 100}, {"s", 100, 100}, {".", 0, 0}};
    // Unlimited: slope 100 % / 200 ms; t = 50 and 150 (boundaries do not
    // count). After the centre: (100 - 200) / 100 ms, t = 50.
    EXPECT_EQ(Run(k, in), "b 100 125 | _ 40 0 | E 100 175 | a: 100 200 | s 100 150 | _ 0 0");
    // Limited to 0.01 % per ms: 100.5 % and 101.5 % (the later phonemes
    // round by +0.5 before dividing); after the centre 199.5 %.
    k.v["omeji_naklon"] = "1";
    EXPECT_EQ(Run(k, in), "b 100 100 | _ 40 0 | E 100 101 | a: 100 200 | s 100 199 | _ 0 0");
}

TEST_F(MakroTest, TimeLineOverZeroDurationStaysFlat) {
    Keys k;
    k.v["stavcna_intonacija_prip"] = "150\t200\t50\t100\t100\t0\t0";
    k.v["freq_po_premici"] = "1";
    EXPECT_EQ(Run(k, {{"b", 0, 100}, {"E", 0, 100}, {"a:", 0, 100}, {"s", 0, 100}, {".", 0, 0}}),
              "b 0 150 | E 0 150 | a: 0 200 | s 0 200 | _ 0 0");
}

TEST_F(MakroTest, PauseExceptionCountsOnlyAfterAWordBoundary) {
    // "ki" opening the phrase changes nothing; after a boundary it sets that
    // boundary's duration; "kik" is another word.
    EXPECT_EQ(
        Run(Keys{}, {{"k", 50, 0},
                     {"i", 50, 0},
                     {"_", 0, 0},
                     {"k", 50, 0},
                     {"i", 50, 0},
                     {"_", 3, 0},
                     {"k", 50, 0},
                     {"i", 50, 0},
                     {"k", 50, 0},
                     {",", 100, 0}}),
        "k 50 0 | i 50 0 | _ 77 0 | k 50 0 | i 50 0 | _ 3 0 | k 50 0 | i 50 0 | k 50 0 | _ 100 0");
}

TEST_F(MakroTest, CentreWordOverridesTheLastAccent) {
    // "ta:m" is a centre word with its centre on a:; the later E: is the
    // last accented phoneme but the word wins.
    Keys k;
    k.v["stavcna_intonacija_prip"] = "100\t200\t100\t100\t100\t0\t0";
    EXPECT_EQ(Run(k, {{"t", 50, 100},
                      {"a:", 50, 100},
                      {"m", 50, 100},
                      {"_", 0, 0},
                      {"E:", 50, 100},
                      {".", 0, 0}}),
              "t 50 100 | a: 50 200 | m 50 150 | _ 0 0 | E: 50 100 | _ 0 0");
}

TEST_F(MakroTest, AWhQuestionTakesItsOwnContourWhenTheProfileGivesOne) {
    // "ta:m" is a centre word; the question contour rises (90, 150, 200).
    const std::vector<StageRecord> wh =
        Records({{"t", 50, 100}, {"a:", 50, 100}, {"m", 50, 100}, {"?", 0, 0}});
    const std::vector<StageRecord> yes_no = Records({{"b", 50, 100}, {"i:", 50, 100}, {"?", 0, 0}});
    const std::vector<StageRecord> statement =
        Records({{"t", 50, 100}, {"a:", 50, 100}, {"m", 50, 100}, {".", 0, 0}});
    Keys k;
    std::unique_ptr<TMakro> m = Make(k);
    ASSERT_EQ(m->Run(wh), 0);
    EXPECT_EQ(Show(m->Records()), "t 50 90 | a: 50 150 | m 50 200 | _ 0 0");
    EXPECT_FALSE(m->WhQuestion());

    k.v["stavcna_intonacija_dopo"] = "100\t130\t70\t100\t100\t0\t0";
    m = Make(k);
    ASSERT_EQ(m->Run(wh), 0);
    EXPECT_EQ(Show(m->Records()), "t 50 100 | a: 50 130 | m 50 70 | _ 0 0");
    EXPECT_TRUE(m->WhQuestion());
    EXPECT_EQ(m->Type(), SentenceType::Question);
    // Only a question takes it, and only through a centre word.
    ASSERT_EQ(m->Run(yes_no), 0);
    EXPECT_EQ(Show(m->Records()), "b 50 90 | i: 50 150 | _ 0 0");
    EXPECT_FALSE(m->WhQuestion());
    ASSERT_EQ(m->Run(statement), 0);
    EXPECT_EQ(Show(m->Records()), "t 50 100 | a: 75 120 | m 50 80 | _ 0 0");

    k.v["stavcna_intonacija_dopo"] = "100\t130";
    std::vector<std::string> seen;
    SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
    EXPECT_THROW(Make(k), int);
    SetTraceHook(nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], "Napaka: 'stavcna_intonacija_dopo' nima 7 stevil\n");
}

TEST_F(MakroTest, AFinalStressedVowelCarriesTheFinalMovementInTwoHalves) {
    Keys k;
    k.v["razdeli_koncni_naglas"] = "1";
    struct Case {
        std::initializer_list<In> in;
        const char* out;
    };
    const Case cases[] = {
        // The centre a: (80 ms x 150 %) is the last vowel: 60 ms at the
        // centre's 120 %, 60 ms at the end's 80 %; the s after it ends at
        // 80 % as before.
        {{{"b", 50, 100}, {"a:", 80, 100}, {"s", 60, 100}, {".", 100, 0}},
         "b 50 100 | a: 60 120 | a: 60 80 | s 60 80 | _ 100 0"},
        // Each phrase has its own: the non-final one (110, 105, 100 % of
        // duration) and the question rising inside its i: (150, 200).
        {{{"a:", 80, 100}, {",", 10, 0}, {"d", 50, 100}, {"i:", 81, 100}, {"?", 0, 0}},
         "a: 40 110 | a: 40 105 | _ 10 0 | d 50 90 | i: 40 150 | i: 41 200 | _ 0 0"},
        // A vowel after the centre carries the movement: no split.
        {{{"a:", 80, 100}, {"m", 50, 100}, {"a", 50, 100}, {".", 100, 0}},
         "a: 120 120 | m 50 100 | a 50 80 | _ 100 0"},
        // A centre under 40 ms stays whole.
        {{{"b", 50, 100}, {"a:", 20, 100}, {".", 100, 0}}, "b 50 100 | a: 30 120 | _ 100 0"},
    };
    std::unique_ptr<TMakro> m = Make(k);
    for (const Case& c : cases) {
        ASSERT_EQ(m->Run(Records(c.in)), 0);
        EXPECT_EQ(Show(m->Records()), c.out);
    }
    // Without the key the first case keeps one record per input record.
    EXPECT_EQ(Run(Keys{}, {{"b", 50, 100}, {"a:", 80, 100}, {"s", 60, 100}, {".", 100, 0}}),
              "b 50 100 | a: 120 120 | s 60 80 | _ 100 0");
}

TEST_F(MakroTest, SentenceTypeFollowsTheMarkAndCarriesOver) {
    std::unique_ptr<TMakro> m = Make(Keys{});
    EXPECT_EQ(m->Type(), SentenceType::Statement);
    // "?" gives the question contour: centre 150 %.
    std::vector<StageRecord> q = Records({{"a:", 100, 100}, {"?", 0, 0}});
    ASSERT_EQ(m->Run(q), 0);
    EXPECT_EQ(Show(m->Records()), "a: 100 150 | _ 0 0");
    EXPECT_EQ(m->Type(), SentenceType::Question);
    // No mark at the end: the question stays, also into the next run.
    std::vector<StageRecord> open = Records({{"a:", 100, 100}});
    ASSERT_EQ(m->Run(open), 0);
    EXPECT_EQ(Show(m->Records()), "a: 100 150");
    std::vector<StageRecord> two =
        Records({{"a:", 100, 100}, {",", 0, 0}, {"i:", 100, 100}, {"!", 0, 0}});
    ASSERT_EQ(m->Run(two), 0);
    EXPECT_EQ(Show(m->Records()), "a: 100 110 | _ 0 0 | i: 100 130 | _ 0 0");
    EXPECT_EQ(m->Type(), SentenceType::Exclamation);
}

TEST_F(MakroTest, LeadingAndConsecutiveMarksEachBecomeAPause) {
    EXPECT_EQ(Run(Keys{}, {{".", 10, 1}, {",", 20, 2}, {"a", 50, 100}, {"?", 30, 0}, {".", 40, 0}}),
              "_ 10 1 | _ 20 2 | a 50 100 | _ 30 0 | _ 40 0");
}

TEST_F(MakroTest, SpecialSecondCharacterLengthensThePause) {
    // ".!" lengthens by 1.5, ".?" by 2 (truncated).
    EXPECT_EQ(Run(Keys{}, {{"a", 50, 100}, {".!", 101, 0}, {".?", 33, 0}}),
              "a 50 100 | _ 151 0 | _ 66 0");
}

TEST_F(MakroTest, SharedOutputSymbolsComeOutUnderTheFirstName) {
    // i: and i share "i" but differ in accent; "d" and an unknown "x" pass.
    EXPECT_EQ(Run(Keys{}, {{"i", 50, 100}, {"i:", 50, 100}, {"x", 50, 100}, {".", 0, 0}}),
              "i 50 100 | i: 75 120 | x 50 80 | _ 0 0");
    Keys k;
    k.v["Nabor_naglasenosti"] = "\"   : :: -------------\"";  // a: now unaccented
    EXPECT_EQ(Run(k, {{"a:", 50, 100}, {".", 0, 0}}), "a 50 100 | _ 0 0");
}

TEST_F(MakroTest, ValuesBeyondSixteenBitsSaturate) {
    Keys k;
    k.v["stavcna_intonacija_prip"] = "100\t300\t100\t300\t100\t0\t0";
    EXPECT_EQ(Run(k, {{"a:", 20000, 20000}, {".", 0, 0}}), "a: 32767 32767 | _ 0 0");
}

TEST_F(MakroTest, ExtensionSelectsTheFormOrFails) {
    try {
        TMakro m(dir.file("prof/makro.cfg"), phonology);
    } catch (int) {
    }
    EXPECT_EQ(LastError(), "TMakro: Could not find " + dir.file("prof/makro") + ".ini or " +
                               dir.file("prof/makro") + ".ins ! Aborting!");
    EXPECT_NO_THROW(Make(Keys{}, "MAKRO.INI"));
}

TEST_F(MakroTest, EveryKeyHasItsMessage) {
    struct Case {
        const char* key;
        const char* message;
    };
    const Case cases[] = {
        {"Nabor_locil", "Napaka: Ime Nabor_locil ne obstaja\n"},
        {"Pretvorba_locil", "Napaka: Ime Pretvorba_locil ne obstaja\n"},
        {"Nabor_izhodnih_fonemov", "Napaka: Ime Nabor_izhodnih_fonemov ne obstaja\n"},
        {"Nabor_naglasenosti", "Napaka: Ime Nabor_naglasenosti ne obstaja\n"},
        {"Locila", "Napaka: Ime Locila ne obstaja\n"},
        {"Posebna_locila", "Napaka: Ime Posebna_locila ne obstaja\n"},
        {"Presledek", "Napaka: Ime Presledek ne obstaja\n"},
        {"izjeme_tez", "Napaka: Izjeme_tez nr obstaja\n"},
        {"Izjeme_pre", "Napaka: Izjeme_pre ima napačno število elementov\n"},
        {"Izjeme_pre_cas", "Napaka: 'Izjeme_pre_cas' ne obstaja\n"},
        {"stavcna_intonacija_prip", "Napaka: 'stavcna_intonacija_prip' ne obstaja\n"},
        {"stavcna_intonacija_vpra", "Napaka: 'stavcna_intonacija_vpra' ne obstaja\n"},
        {"stavcna_intonacija_neko", "Napaka: 'stavcna_intonacija_neko' ne obstaja\n"},
        {"stavcna_intonacija_vzkl", "Napaka: 'stavcna_intonacija_vzkl' ne obstaja\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Keys k;
        k.v.erase(c.key);
        std::vector<std::string> seen;
        SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
        EXPECT_THROW(Make(k), int);
        SetTraceHook(nullptr);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], c.message);
        EXPECT_EQ(seen[1], "TMakro: Profile can not be read!");
        EXPECT_EQ(seen[2], "TMakro: Constructor failed to create class!");
        EXPECT_EQ(LastError(), c.message);  // the key's own message, not the class's
    }
    Keys k;
    k.v["Izjeme_pre_cas"] = "77 88";
    EXPECT_THROW(Make(k), int);
    k = Keys{};
    k.v["Nabor_locil"] = "\"_.,";
    std::vector<std::string> seen;
    SetTraceHook([&](std::string_view t) { seen.emplace_back(t); });
    EXPECT_THROW(Make(k), int);
    SetTraceHook(nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], "Napaka pri pretvorbi (toCstring) p->nabor_locil \n");
    // Podaljsanje_locil fails silently; absent switches mean 0.
    k = Keys{};
    k.v.erase("Podaljsanje_locil");
    EXPECT_THROW(Make(k), int);
    EXPECT_FALSE(Make(Keys{})->tables().time_line);
}

TEST_F(MakroTest, ExceptionWordsAreStoredInOutputSymbols) {
    Keys k;
    k.v["izjeme_tez"] = "ta:m bEsEda: tri";
    std::unique_ptr<TMakro> m = Make(k);
    const auto& cw = m->tables().centre_words;
    ASSERT_EQ(cw.size(), 3u);
    EXPECT_EQ(cw[0].symbols, "tam");
    EXPECT_EQ(cw[0].centre, 1);
    EXPECT_EQ(cw[1].symbols, "beseda");
    EXPECT_EQ(cw[1].centre, 5);
    EXPECT_EQ(cw[2].centre, -1);
    EXPECT_EQ(m->tables().pause_words, std::vector<std::string>{"ki"});
    EXPECT_EQ(m->tables().boundary, ' ');
}

}  // namespace
}  // namespace tarvox
