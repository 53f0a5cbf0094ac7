#include "text/capitals.h"

#include <gtest/gtest.h>

#include "text/numbers.h"
#include "text_fixture.h"

namespace tarvox {
namespace {

class Capitals : public ::testing::Test {
protected:
    std::string Run(std::string s, bool sms = false) {
        CapitalsAndAcronyms(s, f.classes, lookup, sms);
        return s;
    }
    testing::TextFixture f;
    CapitalFormLookup lookup;
};

TEST_F(Capitals, WordsRunsAndSpelling) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {". Vse o EU je lepo .", ". vse o  # E # U # je lepo ."},
        {". Vstop v NATO je .", ". vstop v nato je ."},
        {". V hi{i .", ". v hi{i ."},
        {". Ga je V .", ". ga je  # V # ."},
        {". TO JE ZELO LEPO .", ". to je zelo lepo ."},
        {". McDonald in ^ebelica .", ". mcdonald in ~ebelica ."},
        {". EU . NATO", ".  # E # U # . nato ."},
        {". ABC ! DE", ".  # A # B # C # !  # D # E # ."},
        {". A4 ?", ". a 4 ?"},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(c.in), c.out) << c.in;
}

TEST_F(Capitals, DictionaryCapitalFormsAndSmsMode) {
    lookup = [](std::string_view w) { return w == "EU"; };
    EXPECT_EQ(Run(". Vse o EU in ZDA ."), ". vse o EU in  # Z # D # A # .");
    EXPECT_EQ(Run(". Vse o EU in ZDA .", true), ". vse o EU in zda .");
}

TEST(CapitalsWithoutSeparator, SpellsWithBlanksOnly) {
    std::string profile = testing::FixtureProfile();
    profile.erase(profile.find("Vsiljeni_presledek"), std::string("Vsiljeni_presledek = #\n").size());
    testing::TextFixture f(profile);
    ASSERT_EQ(f.classes.ForcedSeparator(), '\0');
    std::string s = ". o EU je .";
    CapitalsAndAcronyms(s, f.classes, {}, false);
    EXPECT_EQ(s, ". o  E U je .");
}

// Runs without a vowel are spelled by their names under
// crkuj_soglasniske_kratice = 1, whatever their length and neighbours;
// without the key (or at 0) long runs and runs beside capitals are words.
TEST(CapitalsConsonantRuns, SpelledOnlyWhenTheProfileAsks) {
    struct Case {
        const char* in;
        const char* plain;    // without the key
        const char* spelled;  // with crkuj_soglasniske_kratice = 1
    };
    const Case cases[] = {
        {". Glej HTML .", ". glej html .", ". glej hateem/El ."},
        {". Banki NLB KBM .", ". banki nlb kbm .", ". banki enelb/e kabe/Em ."},
        {". SDS in NATO .", ". esde/Es in nato .", ". esde/Es in nato ."},
        {". To je DDV .", ". to je dedev/e .", ". to je dedev/e ."},
        {". Vse o EU .", ". vse o e/u .", ". vse o e/u ."},
    };
    for (const char* key : {"", "crkuj_soglasniske_kratice = 0\n", "crkuj_soglasniske_kratice = 1\n"}) {
        testing::TextFixture f(testing::FixtureProfile() + key +
                               "imena_crk =\n\tB\tbe\tb/e\tD\tde\td/e\tE\te\t/e\tH\tha\th/a\tK\tka\tk/a\n"
                               "\tL\tel\t/El\tM\tem\t/Em\tN\ten\t/En\tS\tes\t/Es\tT\tte\tt/e\tU\tu\t/u\tV\tve\tv/e\n");
        Profile profile(f.dir.file("gfp.ini"), false);
        LetterNames names;
        ASSERT_EQ(names.Read(profile), 0);
        const bool spell = std::string(key).find("= 1") != std::string::npos;
        EXPECT_EQ(names.SpellsConsonantRuns(), spell);
        for (const Case& c : cases) {
            std::string s = c.in;
            CapitalsAndAcronyms(s, f.classes, {}, false, &names);
            EXPECT_EQ(s, spell ? c.spelled : c.plain) << key << c.in;
        }
    }
    testing::TextFixture bad(testing::FixtureProfile() + "crkuj_soglasniske_kratice = 2\n");
    LetterNames names;
    EXPECT_EQ(names.Read(Profile(bad.dir.file("gfp.ini"), false)), -1);
    EXPECT_NE(LastError().find("crkuj_soglasniske_kratice"), std::string::npos);
}

TEST_F(Capitals, OutputIsBounded) {
    std::string s = ". ";
    for (int i = 0; i < 400; ++i) s += "ab ";
    const std::string out = Run(s);
    EXPECT_LE(out.size(), kSentenceStepLimit + 2);
    EXPECT_EQ(out.substr(out.size() - 2), " .");
}

}  // namespace
}  // namespace tarvox
