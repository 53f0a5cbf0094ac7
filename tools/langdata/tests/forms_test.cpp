#include "forms.h"

#include <gtest/gtest.h>

namespace tarvox::langdata {
namespace {

Phonemes P(std::string_view text) { return SplitNames(text, VoiceInventory()); }

TEST(Forms, StressAndQualityAreCarriedOnlyWhereTheParadigmKeepsThem) {
    struct Case {
        const char* lemma;
        bool long_stress;
        const char* converted;  // the rules' reading of the form
        const char* expected;   // "" when nothing is carried
        CarryResult why;
    } cases[] = {
        // The rules stress the wrong vowel and pick the wrong quality.
        {"xOtE:l", true, "xO:tEla", "xOtE:la", CarryResult::kCarried},
        {"lo:w@ts", true, "lOwtsa:", "lo:wtsa", CarryResult::kCarried},
        {"hi:Sa", true, "hiSa:mi", "hi:Sami", CarryResult::kCarried},
        {"mo:Z", true, "mOZjE:", "", CarryResult::kOneSyllable},
        {"gOspa:", true, "gO:spE", "", CarryResult::kStressedEnding},
        {"OtrO:k", false, "OtrO:ka", "", CarryResult::kShortFinalEO},
        {"jEzi:k", false, "jE:zika", "jEzi:ka", CarryResult::kCarried},
        {"O:knO", true, "a:kna", "", CarryResult::kStemDiffers},
        {"kOnOpa", true, "kO:nOpE", "", CarryResult::kNoMainStress},
    };
    for (const Case& c : cases) {
        CarryResult why{};
        const auto got = CarryStress(Lemma{P(c.lemma), c.long_stress}, P(c.converted), why);
        EXPECT_EQ(why, c.why) << c.lemma << " " << c.converted;
        EXPECT_EQ(got ? Join(*got) : "", c.expected) << c.lemma << " " << c.converted;
    }
}

TEST(Forms, ParadigmsAndWordListsAreReadInTheLetterCode) {
    const auto forms = ReadParadigms("# c\nžaba\tžabe žabo\ndelo\tdela\ndelati\tdela\nbad line\n");
    ASSERT_EQ(forms.size(), 3u);
    EXPECT_EQ(forms.at("`abo"), (std::set<std::string>{"`aba"}));
    EXPECT_EQ(forms.at("dela").size(), 2u);  // two lemmas: left to the rules
    EXPECT_EQ(ReadWordList("hotel\r\n# x\n\nčlen\n"), (std::vector<std::string>{"hotel", "~len"}));
}

TEST(Forms, WordListsMendTheRulesReading) {
    struct Case {
        const char* converted;
        ListFix fix;
        const char* expected;  // "" when the reading has nothing to mend
    } cases[] = {
        {"xO:t@w", ListFix::kFullE, "xO:tEw"},
        {"prija:t@l", ListFix::kFullE, "prija:tEl"},
        {"se:vEr", ListFix::kFullE, ""},
        {"signa:w", ListFix::kFinalL, "signa:l"},
        {"signa:l", ListFix::kFinalL, ""},
    };
    for (const Case& c : cases) {
        const auto got = ApplyListFix(P(c.converted), c.fix);
        EXPECT_EQ(got ? Join(*got) : "", c.expected) << c.converted;
    }
}

}  // namespace
}  // namespace tarvox::langdata
