#include "text/normaliser.h"

#include <gtest/gtest.h>

#include <random>

#include "text_fixture.h"

namespace tarvox {
namespace {

TEST(Normaliser, ParagraphThroughTheWholeChain) {
    testing::TextFixture f;
    const std::string paragraph =
        "Dr. Novak je 5. maja 2023 ob 8:15 pri\x9A" "el v Ljubljano. "
        "Kupil je 2 kg jabolk za 101 EUR, npr. za Janeza. "
        "Ali ve\x9A, kaj je NATO? V EU \x9Eivi 447 milijonov ljudi...\n\n"
        "Cena je 3,5 EUR in 1.000 ljudi to ve. Okoli 24:00 gremo!";
    const std::vector<std::string> expected = {
        ". doktor novak je petega maja dva tiso~ triindvajset ob osmih in petnajst ura "
        "pri{el v ljubljano . ",
        ". kupil je dva kilograma jabolk za sto en evro , na primer za janeza . ",
        ". ali ve{ , kaj je nato ? ",
        ". v  # E # U # `ivi {tiristo sedemin{tirideset milijonov ljudi . ] ",
        ". cena je tri ' pet evrov in ena \" ni~ ni~ ni~ ljudi to ve . ",
        ". okoli ni~te ura gremo ! ",
    };
    EXPECT_EQ(NormaliseText(paragraph, f.Steps()), expected);
}

TEST(Normaliser, SentenceIsCutBeforeThePerSentenceSteps) {
    testing::TextFixture f;
    const std::string sentence = std::string(900, 'a');
    const std::string out = NormaliseSentence(sentence, f.Steps());
    // ". " and 850 bytes reach the steps; the capitals step keeps 776 of them.
    EXPECT_LE(out.size(), kSentenceStepLimit + 2);
}

TEST(Normaliser, OnlyTheFirst10240BytesAreUsed) {
    testing::TextFixture f;
    const std::string text = std::string(10240, 'a') + "bbb";
    const std::string prepared = PrepareText(text, f.Steps());
    EXPECT_EQ(prepared.find('b'), std::string::npos);
}

TEST(Normaliser, ArbitraryBytesStayInsideTheBounds) {
    testing::TextFixture f;
    f.filter = FilterSwitches{true, true, true};
    f.capitals = [](std::string_view w) { return w.size() == 2; };
    std::mt19937 random(7);
    // Bytes weighted towards the characters the steps react to.
    const std::string interesting = "0123456789.,:!?-|\"'hHsmEUR kg\n\n  aAbB~{^[@`\x80\x8A\xE8";
    for (int round = 0; round < 200; ++round) {
        std::string text(static_cast<std::size_t>(random() % 3000), ' ');
        for (char& c : text) {
            c = random() % 4 == 0 ? static_cast<char>(random() % 256)
                                  : interesting[random() % interesting.size()];
        }
        for (const std::string& sentence : NormaliseText(text, f.Steps())) {
            EXPECT_LE(sentence.size(), kSentenceStepLimit + 2);
            EXPECT_TRUE(sentence.ends_with(".") || sentence.ends_with("!") ||
                        sentence.ends_with("?") || sentence.ends_with("]") ||
                        sentence.ends_with("}") || sentence.ends_with(" "))
                << sentence;
        }
    }
}

}  // namespace
}  // namespace tarvox
