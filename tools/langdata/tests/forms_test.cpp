#include "forms.h"

#include <gtest/gtest.h>

namespace tarvox::langdata {
namespace {

Phonemes P(std::string_view text) { return SplitNames(text, VoiceInventory()); }

TEST(Forms, StressAndQualityAreCarriedOnlyWhereTheParadigmKeepsThem) {
    struct Case {
        const char* lemma;
        bool long_stress;
        bool verb;
        const char* converted;  // the rules' reading of the form
        const char* expected;   // "" when nothing is carried
        CarryResult why;
    } cases[] = {
        // The rules stress the wrong vowel and pick the wrong quality.
        {"xOtE:l", true, false, "xO:tEla", "xOtE:la", CarryResult::kCarried},
        {"lo:w@ts", true, false, "lOwtsa:", "lo:wtsa", CarryResult::kCarried},
        {"hi:Sa", true, false, "hiSa:mi", "hi:Sami", CarryResult::kCarried},
        {"mo:Z", true, false, "mOZjE:", "", CarryResult::kOneSyllable},
        {"gOspa:", true, false, "gO:spE", "", CarryResult::kStressedEnding},
        {"OtrO:k", false, false, "OtrO:ka", "", CarryResult::kShortFinalEO},
        {"jEzi:k", false, false, "jE:zika", "jEzi:ka", CarryResult::kCarried},
        {"O:knO", true, false, "a:kna", "", CarryResult::kStemDiffers},
        {"kOnOpa", true, false, "kO:nOpE", "", CarryResult::kNoMainStress},
        // Verbs: stressed on the stem, the stress stays (délati, délam;
        // mísliti, míslil); on the vowel before -ti it moves (pisáti, píšem;
        // govoríti, govóril).
        {"de:lati", true, true, "dEla:m", "de:lam", CarryResult::kCarried},
        {"mi:sliti", true, true, "misli:w", "mi:sliw", CarryResult::kCarried},
        {"pisa:ti", true, true, "pisa:l", "", CarryResult::kThemeVowel},
        {"gOvOri:ti", true, true, "gOvO:riw", "", CarryResult::kThemeVowel},
    };
    for (const Case& c : cases) {
        CarryResult why{};
        const auto got = CarryStress(Lemma{P(c.lemma), c.long_stress, c.verb}, P(c.converted), why);
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
        {"Zi:v@w", ListFix::kStressedParticipleE, "Zive:w"},
        {"sprE:j@w", ListFix::kStressedParticipleE, "sprEje:w"},
        {"zatSe:w", ListFix::kStressedParticipleE, "zatSe:w"},
        {"Zi:vEla", ListFix::kStressedParticipleE, "Zive:la"},
        {"ku:piw", ListFix::kStressedParticipleE, ""},
    };
    for (const Case& c : cases) {
        const auto got = ApplyListFix(P(c.converted), c.fix);
        EXPECT_EQ(got ? Join(*got) : "", c.expected) << c.converted;
    }
}

}  // namespace
}  // namespace tarvox::langdata
