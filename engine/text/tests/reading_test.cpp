// Reading in context on a small profile of its own, the grammar lists it
// reads, the characters beyond Windows-1250 and the byte table of the
// character filter.
#include <gtest/gtest.h>

#include <string>

#include "base/diag.h"
#include "text/codepage.h"
#include "text/context_reader.h"
#include "text/grammar.h"
#include "text_fixture.h"

namespace tarvox {
namespace {

// Enough grammar for the cases below: hard masculine and feminine nouns,
// the adjective family, numerals, a few prepositions, readings, units.
constexpr char kReading[] =
    "beri_v_sobesedilu = true\n"
    "sklanjatve =\n"
    "\tm\tm\t*\ta\tu\t*\tu\tom\ta\tov\toma\ta\tih\toma\ti\tov\tom\te\tih\ti\n"
    "\ta\ta\t*\ta\tu\ta\tu\tom\ta\tov\toma\ta\tih\toma\ti\tov\tom\te\tih\ti\n"
    "\tz\tz\ta\te\ti\to\ti\to\ti\t-\tama\ti\tah\tama\te\t-\tam\te\tah\tami\n"
    "\ts\ts\to\ta\tu\to\tu\tom\ti\t-\toma\ti\tih\toma\ta\t-\tom\ta\tih\ti\n"
    "\tpm\tm\ti\tega\temu\ti\tem\tim\ta\tih\tima\ta\tih\tima\ti\tih\tim\te\tih\timi\n"
    "\tpz\tz\ta\te\ti\to\ti\to\ti\tih\tima\ti\tih\tima\te\tih\tim\te\tih\timi\n"
    "\tps\ts\to\tega\temu\to\tem\tim\ti\tih\tima\ti\tih\tima\ta\tih\tim\ta\tih\timi\n"
    "stevniki =\n"
    "\t1\tm\ten\tenega\tenemu\ten\tenem\tenim\n"
    "\t1\tz\tena\tene\teni\teno\teni\teno\n"
    "\t2\tm\tdva\tdveh\tdvema\tdva\tdveh\tdvema\n"
    "\t2\tz\tdve\tdveh\tdvema\tdve\tdveh\tdvema\n"
    "\t3\tm\ttrije\ttreh\ttrem\ttri\ttreh\ttremi\n"
    "\t3\tz\ttri\ttreh\ttrem\ttri\ttreh\ttremi\n"
    "stevniki_konc = -\tih\tim\t-\tih\timi\n"
    "stevniki_osnove = sedem\tsedm\n"
    "predlogi = z\t62\tpred\t64\tna\t54\tdo\t2\n"
    "vezniki = in\n"
    "oblike_koncnice = a\tze1,me2\to\tze4,ze6\tom\tme6\tem\tme6,me5\n"
    "oblike_izjeme = tedni\tmm1,mm6\tsina\tae2,ae4\n"
    "besede_brez_oblik = je\n"
    "enote = kg\tkilogram/m\t%\todstotek|odstotk/m\t\\xB0C\tstopinj/z celzija\n"
    "mnozitelji = mio.\t6\tmilijon/m\tmrd.\t9\tmilijard/z\n"
    "okrajsave_skloni = dr.\ti1\tdoktor/a\tl.\t2\tlet/s\n"
    "meseci = januar/m\tfebruar/m\tmarec|marc/m\tapril/m\tmaj/m\tjunij/m\tjulij/m\tavgust/m\t"
    "september|septembr/m\toktober|oktobr/m\tnovember|novembr/m\tdecember|decembr/m\n"
    "decimalna_vejica = cel/pz\n"
    "beseda_minus = minus\n"
    "beseda_razpon = do\n";

struct ReadingFixture : testing::TextFixture {
    ReadingFixture() : testing::TextFixture(testing::FixtureProfile() + kReading) {
        Profile profile(dir.Write("gfp.ini", testing::FixtureProfile() + kReading), false);
        ok = context.Read(profile) == 0;
    }
    std::string Read(std::string_view text) const {
        std::string out;
        ReadInContext(text, out, context, numbers, classes);
        return out;
    }
    ContextTables context;
    bool ok = false;
};

TEST(ReadingInContext, NumbersAgreeWithTheirWordsAndPrepositions) {
    ReadingFixture f;
    ASSERT_TRUE(f.ok) << LastError();
    const std::pair<const char*, const char*> cases[] = {
        {"ima 37.000 ljudi", "ima sedemintrideset tiso~ ljudi"},
        {"ima 37 000 ljudi", "ima sedemintrideset tiso~ ljudi"},
        {"je 1.250.000", "je en milijon dvesto petdeset tiso~"},
        {"je 3.400.000.000", "je tri milijarde {tiristo milijonov"},
        {"je 1234567", "je ena dva tri {tiri pet {est sedem"},
        {"tel 01 234", "tel ni~ ena dvesto {tiriintrideset"},
        {"pred 3 tedni", "pred tremi tedni"},
        {"z 1 roko", "z eno roko"},
        {"vidim 1 sina", "vidim enega sina"},
        {"pred 7 leti", "pred sedmimi leti"},
        {"je -5 \xB0" "C.", "je minus pet stopinj celzija."},
        {"je 4,5 %", "je {tiri cele pet odstotka"},
        {"je 0,05 kg", "je ni~ cela ni~ pet kilograma"},
        {"z 2 kg", "z dvema kilogramoma"},
        {"je 8 mio. kg", "je osem milijonov kilogramov"},
        {"je 5-7 %", "je pet do sedem odstotkov"},
        {"z 3. mestom", "z tretjim mestom"},
        {"do 7. 8.", "do sedmega avgusta."},  // the full stop may end the sentence
        {"bo 1. 9. 2026.", "bo prvega septembra dva tiso~ {estindvajset."},
        {"z dr. Novakom", "z doktorom Novakom"},
        {"l. 1848", "leta tiso~ osemsto osemin{tirideset"},
        {"Karel IV. je", "Karel ~etrti je"},
        {"II. vojna", "druga vojna"},
        {"V sobi", "V sobi"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(f.Read(in), out) << in;
}

TEST(ReadingInContext, EveryDigitBecomesWords) {
    ReadingFixture f;
    ASSERT_TRUE(f.ok);
    const std::string text = "a1.2,3 -4 5.6.7 08. 9| 12:30 99999999999999 1.000.000.000.000 x";
    const std::string out = f.Read(text);
    EXPECT_EQ(out.find_first_of("0123456789"), std::string::npos) << out;
}

TEST(ReadingInContext, OffWithoutTheKeyAndMalformedListsFail) {
    testing::TextFixture plain;
    Profile profile(plain.dir.Write("p.ini", testing::FixtureProfile()), false);
    ContextTables t;
    EXPECT_EQ(t.Read(profile), 0);
    EXPECT_FALSE(t.Enabled());
    for (const char* list : {"sklanjatve = m\tm\t*\n", "predlogi = z\t9\n", "enote = kg\n",
                             "stevniki = 7\tm\ta\tb\tc\td\te\tf\n", "oblike_koncnice = a\tqq1\n"}) {
        Profile p(plain.dir.Write("q.ini", testing::FixtureProfile() + list + kReading), false);
        ClearError();
        EXPECT_EQ(t.Read(p), -1) << list;
        EXPECT_NE(LastError().find("Napaka: v ini datoteki (ini_gfp)"), std::string::npos);
    }
}

TEST(Grammar, PhrasesInflectAndReadingsComeFromTheLongestEnding) {
    ReadingFixture f;
    ASSERT_TRUE(f.ok);
    const Grammar& g = f.context.grammar;
    const auto meter = g.ParsePhrase("kvadratn/p meter|metr/m");
    ASSERT_TRUE(meter);
    EXPECT_EQ(g.Inflect(*meter, GrammaticalNumber::kSingular, Case::kNominative), "kvadratni meter");
    EXPECT_EQ(g.Inflect(*meter, GrammaticalNumber::kPlural, Case::kGenitive), "kvadratnih metrov");
    EXPECT_FALSE(g.ParsePhrase("x/nobena"));
    ASSERT_TRUE(g.ReadingsOf("mestom"));
    EXPECT_EQ(g.ReadingsOf("mestom")->front().grammatical_case, Case::kInstrumental);
    EXPECT_EQ(g.ReadingsOf("sina")->front().gender, Gender::kAnimate);
    ASSERT_TRUE(g.ReadingsOf("je"));
    EXPECT_TRUE(g.ReadingsOf("je")->empty());
    EXPECT_EQ(g.ReadingsOf("xyz"), nullptr);
    EXPECT_EQ(g.SmallNumeral(1, Gender::kAnimate, Case::kAccusative), "enega");
    EXPECT_EQ(g.DeclineCardinal("sedem", Case::kGenitive), "sedmih");
    EXPECT_FALSE(ParseReadings("ze7"));
    EXPECT_EQ(ParseReadings("ze2,md1")->size(), 2u);
}

TEST(EngineText, NothingIsDroppedUnseen) {
    CodePointReadings r;
    r.Set(0x416, "`");      // Zhe: z with caron
    r.Set(0x2764, "_srce");  // a name, read apart
    r.Set(0x301, "_");       // nothing
    struct Case {
        const char* utf8;
        const char* with_table;
        const char* without;
    };
    const Case cases[] = {
        {"a\xE2\x88\x92" "5", "a-5", "a-5"},                 // minus sign
        {"x\xD0\x96y", "x\x9Ey", "x?y"},                      // Cyrillic
        {"ja \xE2\x9D\xA4 te", "ja  srce  te", "ja ? te"},     // a named emoji
        {"ja \xF0\x9F\xA6\x84 te", "ja  te", "ja ? te"},       // an emoji with no name
        {"a\xE2\x80\x8D" "b", "ab", "a?b"},                    // joiner
        {"\xE6\x97\xA5", " ", "?"},                            // a character with no reading
        {"a\tb\nc", "a\tb\nc", "a\tb\nc"},
        {"\xC4\x8D", "\xE8", "\xE8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToEngineText(c.utf8, &r), c.with_table) << c.utf8;
        EXPECT_EQ(Utf8ToEngineText(c.utf8, nullptr), c.without) << c.utf8;
    }
    EXPECT_EQ(Utf8ToEngineText(std::string("a\0b\x01", 4), &r), "a b ");
    EXPECT_EQ(Utf16ToEngineText(u"\x0416\xD83D", &r), "\x9E ");
    EXPECT_EQ(Cp1250ToEngineText(std::string("a\0\x1F\x9E", 4)), "a  \x9E");
    EXPECT_TRUE(IsValidUtf8("\xC4\x8D\xEF\xBF\xBD"));
    EXPECT_FALSE(IsValidUtf8("a\xE8"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
}

TEST(CharacterFilter, ByteTableReadsForeignLettersAndKeepsSigns) {
    ByteReadings bytes;
    bytes.Set(0xFC, "i");
    bytes.Set(0xB0, "\xB0");
    bytes.Set(0xA8, "");
    FilterSwitches sw;
    sw.bytes = &bytes;
    std::string out;
    FilterCharacters("M\xFCller 5\xB0 \xA8\x01x\xE8\x80\xBF", out, sw);
    // ü read, ° kept, a lone accent nothing, a control character a blank,
    // c with caron and the euro as always, a byte without a reading a blank.
    EXPECT_EQ(out, "Miller 5\xB0  x~EUR  ");
}

}  // namespace
}  // namespace tarvox
