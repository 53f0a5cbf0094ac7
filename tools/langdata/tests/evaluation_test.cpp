#include "evaluation.h"

#include <gtest/gtest.h>

namespace tarvox::langdata {
namespace {

TEST(SoundOf, TakesStressAndQualityAway) {
    EXPECT_EQ(SoundOf("a:"), "a");
    EXPECT_EQ(SoundOf("e:"), "E");
    EXPECT_EQ(SoundOf("E:"), "E");
    EXPECT_EQ(SoundOf("o:"), "O");
    EXPECT_EQ(SoundOf("@:"), "@");
    EXPECT_EQ(SoundOf("W"), "w");
    EXPECT_EQ(SoundOf("tS"), "tS");
}

TEST(EditDistance, CountsWholeNames) {
    EXPECT_EQ(EditDistance({"a", "b"}, {"a", "b"}), 0u);
    EXPECT_EQ(EditDistance({"t", "S"}, {"tS"}), 2u);
    EXPECT_EQ(EditDistance({}, {"a", "b"}), 2u);
    EXPECT_EQ(EditDistance({"k", "O", "n", "@", "ts"}, {"k", "O", "n", "E", "ts"}), 1u);
}

struct ScoreCase {
    Phonemes reference, hypothesis;
    bool sounds, all;
    std::size_t edits;
    bool quality = all;  // sounds with the stressed e/o quality
};

class ScoreWordTest : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(ScoreWordTest, SeparatesSoundsFromStress) {
    const ScoreCase& c = GetParam();
    const WordScore s = ScoreWord(c.reference, c.hypothesis);
    EXPECT_EQ(s.sounds_right, c.sounds);
    EXPECT_EQ(s.all_right, c.all);
    EXPECT_EQ(s.quality_right, c.quality);
    EXPECT_EQ(s.edits, c.edits);
    EXPECT_EQ(s.length, c.reference.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScoreWordTest,
    ::testing::Values(
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "o:", "d", "a"}, true, true, 0},
        // wrong quality of the stressed vowel
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "O:", "d", "a"}, true, false, 0, false},
        // wrong stress position (the close o unstressed is a wrong quality)
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "O", "d", "a:"}, true, false, 0, false},
        // wrong stress position, the quality kept: a stressed open O and an
        // unstressed O sound alike
        ScoreCase{{"n", "O:", "g", "a"}, {"n", "O", "g", "a:"}, true, false, 0, true},
        // the labiodental nasal, written m or n by the lexicon
        ScoreCase{{"s", "i", "m", "f", "O", "n", "i:", "j", "a"}, {"s", "i", "F", "f", "O", "n", "i:", "j", "a"},
                  true, true, 0},
        ScoreCase{{"t", "r", "a:", "n", "v", "a", "j"}, {"t", "r", "a:", "F", "v", "a", "j"}, true, true, 0},
        // a clitic read stressless
        ScoreCase{{"j", "E:"}, {"j", "E"}, true, true, 0},
        ScoreCase{{"s", "e:"}, {"s", "E"}, true, true, 0},
        // but a word of two syllables needs its stress (its open E keeps
        // its quality unstressed)
        ScoreCase{{"j", "E:", "d", "E"}, {"j", "E", "d", "E"}, true, false, 0, true},
        // dropped schwa of -ec
        ScoreCase{{"k", "o:", "n", "@", "ts"}, {"k", "o:", "n", "E", "ts"}, false, false, 1},
        // W and w are spoken alike
        ScoreCase{{"a", "W", "t", "O"}, {"a", "w", "t", "O"}, true, true, 0}));

TEST(Scores, AddsUp) {
    Scores s;
    s.Add(ScoreWord({"a:", "b"}, {"a:", "b"}));
    s.Add(ScoreWord({"a:", "b", "a"}, {"a", "b", "a:"}));
    s.Add(ScoreWord({"a:", "b", "c", "d"}, {"a:"}));
    EXPECT_EQ(s.words, 3u);
    EXPECT_DOUBLE_EQ(s.SoundsRate(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.AllRightRate(), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.QualityRate(), 2.0 / 3.0);
    // The stress on the right syllable though the sounds are not right.
    EXPECT_DOUBLE_EQ(s.StressRate(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.PhonemeErrorRate(), 3.0 / 9.0);
    EXPECT_DOUBLE_EQ(Scores{}.PhonemeErrorRate(), 0.0);
}

}  // namespace
}  // namespace tarvox::langdata
