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

TEST_F(Capitals, OutputIsBounded) {
    std::string s = ". ";
    for (int i = 0; i < 400; ++i) s += "ab ";
    const std::string out = Run(s);
    EXPECT_LE(out.size(), kSentenceStepLimit + 2);
    EXPECT_EQ(out.substr(out.size() - 2), " .");
}

}  // namespace
}  // namespace tarvox
