#include "lexicon.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_files.h"

namespace tarvox::langdata {
namespace {

TEST(LetterCode, WritesTheConvertersLetters) {
    EXPECT_EQ(LetterCode("\xC4\x8C" "a\xC5\xA1" "a"), "~a{a");      // Čaša, read as a word
    EXPECT_EQ(LetterCode("\xC5\xBE" "ep"), "`ep");                  // žep
    EXPECT_EQ(LetterCode("\xC4\x87" "evap"), "~evap");              // ć as č
    EXPECT_EQ(LetterCode("\xC4\x91" "ak"), "d`ak");                 // đ as dž
    EXPECT_EQ(LetterCode("NLP"), "NLP");                            // capitals stay
    EXPECT_EQ(LetterCode("\xC5\xA0" "\xC4\x8C"), "[^");             // ŠČ
    EXPECT_EQ(LetterCode("C"), "c");                                // one capital is a word
    EXPECT_FALSE(LetterCode("na\xC3\xAFve").has_value());           // ï is no Slovenian letter
    EXPECT_FALSE(LetterCode("").has_value());
}

TEST(LetterCode, Windows1250IsWhatTheEngineReceives) {
    EXPECT_EQ(ToWindows1250("~a{a`^[@"), "\xE8" "a\x9A" "a\x9E\xC8\x8A\x8E");
}

TEST(HeldOut, IsAStableFunctionOfTheLowerCasedWord) {
    EXPECT_EQ(Fnv1a(""), 2166136261u);
    EXPECT_EQ(Fnv1a("a"), 3826002220u);
    EXPECT_TRUE(IsHeldOut("~a{a"));
    EXPECT_TRUE(IsHeldOut("^A[A"));
    EXPECT_FALSE(IsHeldOut("voda"));
    EXPECT_FALSE(IsHeldOut("pes"));
}

TEST(ReadLexicon, SkipsLinesItCannotConvert) {
    LexiconReport report;
    const auto entries = ReadLexicon(
        "voda\tv \xC3\xB3\xCB\x90 d a\r\n"
        "bad line\n"
        "na\xC3\xAFve\tn a\n"
        "\xCE\xB8\t\xCE\xB8\n"
        "\n"
        "pes\tp \xC9\x99\xCC\x81 s",
        report);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(report.lines, 5u);
    EXPECT_EQ(report.skipped, 3u);
    EXPECT_EQ(entries[0].key, "voda");
    EXPECT_EQ(Join(entries[0].phonemes), "vo:da");
    EXPECT_EQ(Join(entries[1].phonemes), "p@:s");
}

TEST(OnePerWord, PrefersAStressedPronunciation) {
    LexiconReport report;
    const auto entries = ReadLexicon("ali\ta l i\nali\t\xC3\xA1 l i\nvoda\tv \xC3\xB3\xCB\x90 d a\n",
                                     report);
    const auto one = OnePerWord(entries);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(Join(one[0].phonemes), "a:li");
    EXPECT_EQ(DictionaryText(one), "ali\ta:li\r\nvoda\tvo:da\r\n");
}

TEST(Select, SplitsTheRealLexiconByAboutOneInEight) {
    const char* src = std::getenv("TARVOX_SOURCE_DIR");
    if (!src) GTEST_SKIP() << "TARVOX_SOURCE_DIR not set";
    const std::string text = tarvox::testing::ReadFile(
        std::string(src) + "/voices/quenlar-orin/lexicon/slv-wikipron-train.tsv");
    LexiconReport report;
    const auto all = OnePerWord(ReadLexicon(text, report));
    ASSERT_GT(all.size(), 1900u);
    EXPECT_LT(report.skipped, 10u);
    const auto held = Select(all, Part::kHeldOut);
    const auto training = Select(all, Part::kTraining);
    EXPECT_EQ(held.size() + training.size(), all.size());
    EXPECT_GT(held.size() * 100, all.size() * 9);
    EXPECT_LT(held.size() * 100, all.size() * 16);
    for (const auto& e : training) EXPECT_FALSE(IsHeldOut(e.key)) << e.word;
}

}  // namespace
}  // namespace tarvox::langdata
