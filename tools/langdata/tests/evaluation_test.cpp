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
};

class ScoreWordTest : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(ScoreWordTest, SeparatesSoundsFromStress) {
    const ScoreCase& c = GetParam();
    const WordScore s = ScoreWord(c.reference, c.hypothesis);
    EXPECT_EQ(s.sounds_right, c.sounds);
    EXPECT_EQ(s.all_right, c.all);
    EXPECT_EQ(s.edits, c.edits);
    EXPECT_EQ(s.length, c.reference.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScoreWordTest,
    ::testing::Values(
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "o:", "d", "a"}, true, true, 0},
        // wrong quality of the stressed vowel
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "O:", "d", "a"}, true, false, 0},
        // wrong stress position
        ScoreCase{{"v", "o:", "d", "a"}, {"v", "O", "d", "a:"}, true, false, 0},
        // dropped schwa of -ec
        ScoreCase{{"k", "o:", "n", "@", "ts"}, {"k", "o:", "n", "E", "ts"}, false, false, 1},
        // W and w are spoken alike
        ScoreCase{{"a", "W", "t", "O"}, {"a", "w", "t", "O"}, true, true, 0}));

TEST(Scores, AddsUp) {
    Scores s;
    s.Add(ScoreWord({"a:", "b"}, {"a:", "b"}));
    s.Add(ScoreWord({"a:", "b"}, {"a", "b"}));
    s.Add(ScoreWord({"a:", "b", "c", "d"}, {"a:"}));
    EXPECT_EQ(s.words, 3u);
    EXPECT_DOUBLE_EQ(s.SoundsRate(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.AllRightRate(), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.PhonemeErrorRate(), 3.0 / 8.0);
    EXPECT_DOUBLE_EQ(Scores{}.PhonemeErrorRate(), 0.0);
}

}  // namespace
}  // namespace tarvox::langdata
