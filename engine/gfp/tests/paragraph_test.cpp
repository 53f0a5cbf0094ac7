// A realistic Slovenian paragraph through the whole converter: the sentence
// boundaries and the normalised words of each sentence, as word conversion
// receives them (number, month, time words and abbreviations of the text
// fixture; letters in the internal letter code).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfp/gfp.h"
#include "gfp/tests/gfp_fixture.h"
#include "text/codepage.h"
#include "text/tests/fixture_profile.h"

namespace tarvox {
namespace {

using testing::GfpProfile;
using testing::Voice;

// The converter profile with the text fixture's tables in front: the first
// of two variables with the same name wins.
struct ParagraphVoice : GfpProfile {
    std::string Text() const {
        return std::string(testing::kClassStrings) + testing::NumberWordsProfile() +
               testing::TimeWordsProfile() + testing::kAbbreviations + GfpProfile::Text();
    }
};

std::vector<std::string> NormalisedSentences(TGfp& gfp, const std::string& text) {
    std::vector<std::string> out;
    for (int n = gfp.Convert(text.c_str(), true); n > 0; n = gfp.Convert(nullptr, true))
        out.emplace_back(gfp.NormalisedSentence());
    return out;
}

TEST(Paragraph, SentencesAndNormalisedWords) {
    Voice v;
    v.Write();
    v.dir.Write("gfp.ini", ParagraphVoice().Text());
    TGfp gfp(v.GfpPath(), v.config);
    ASSERT_TRUE(gfp.Initialised());

    const std::string paragraph =
        "Sestanek bo 5. maja ob 8:15, npr. v sobi 12.\n"
        "Prišlo je 21 ljudi! Kdo je plačal 3,5 kg jabolk?\n"
        "\n"
        "Konec... Novo poglavje se začne ob 24:00.";
    // Each sentence: ". " in front; the ordinal agrees with the month; the
    // time after "ob" takes the ob-form of the hour; the abbreviation is
    // expanded; the decimal comma is the apostrophe and the unit agrees with
    // the number before it; the empty line closes its sentence with "}";
    // "..." becomes ".]"; 24:00 reads as hour 0 without minutes.
    const std::vector<std::string> expected = {
        ". sestanek bo petega maja ob osmih in petnajst ura , na primer v sobi dvanajst . ",
        ". pri{lo je enaindvajset ljudi ! ",
        ". kdo je pla~al tri ' pet kilogramov jabolk ? } ",
        ". konec . ] ",
        ". novo poglavje se za~ne ob ni~tih ura . ",
    };
    EXPECT_EQ(NormalisedSentences(gfp, Utf8ToCp1250(paragraph)), expected);
}

}  // namespace
}  // namespace tarvox
