#include "ipa.h"

#include <gtest/gtest.h>

namespace tarvox::langdata {
namespace {

struct IpaCase {
    const char* ipa;
    const char* phonemes;
};

class IpaConversion : public ::testing::TestWithParam<IpaCase> {};

TEST_P(IpaConversion, GivesTheNamesTheRulesWrite) {
    const auto p = IpaToPhonemes(GetParam().ipa);
    ASSERT_TRUE(p.has_value()) << GetParam().ipa;
    EXPECT_EQ(Join(*p), GetParam().phonemes);
}

INSTANTIATE_TEST_SUITE_P(
    Lexicon, IpaConversion,
    ::testing::Values(
        // acute, grave and length all mark the stress; quality is kept
        IpaCase{"b \xC3\xB3\xCB\x90 k", "bo:k"},                        // Bog: close o
        IpaCase{"k \xC9\x94\xCC\x81 \xCA\x8B", "kO:w"},                 // kol: open o, l as [u]
        IpaCase{"t\xCD\xA1s \xC3\xAC\xCB\x90 p \xC9\x99 r", "tsi:p@r"},  // Ciper: affricate, schwa
        IpaCase{"s \xC9\x99\xCC\x81 l", "s@:l"},                        // stressed schwa
        IpaCase{"\xCA\x8B \xC9\x99\xCC\x80 r t", "v@:rt"},              // vrt: syllabic r
        // v: [v] before a vowel and before r, l, j; W before a voiceless
        // consonant; w elsewhere
        IpaCase{"a \xCA\x8B s t r \xC3\xA0\xCB\x90 l i j a", "aWstra:lija"},
        IpaCase{"\xCA\x8B l \xC3\xA1\xCB\x90 k", "vla:k"},
        IpaCase{"b \xC3\xA8\xCB\x90 \xCA\x8B", "be:w"},
        IpaCase{"\xCA\x8B d \xC9\x94 \xCA\x8B a", "wdOva"},
        // nasals before velars and labiodentals
        IpaCase{"\xC3\xA1\xCB\x90 n \xC9\xA1 l i j a", "a:Nglija"},
        IpaCase{"s i m f \xC3\xB3\xCB\x90 n i j a", "siFfo:nija"},
        // x is the Slovenian h; the voiced affricates are two names
        IpaCase{"a x \xC3\xAD\xCB\x90 l", "ahi:l"},
        IpaCase{"d\xCD\xA1\xCA\x92 \xC3\xBA\xCB\x90 s", "dZu:s"},
        // unstressed e and o are open
        IpaCase{"e \xC9\x9B o \xC9\x94", "EEOO"}));

TEST(IpaConversion, RejectsASegmentWithoutCounterpart) {
    std::string bad;
    EXPECT_FALSE(IpaToPhonemes("a \xCE\xB8 a", &bad).has_value());
    EXPECT_EQ(bad, "\xCE\xB8");
}

TEST(IpaConversion, EveryNameIsInTheVoiceInventory) {
    const auto p = IpaToPhonemes(
        "a \xC9\x9B \xC9\x94 i u \xC9\x99 \xC3\xA1\xCB\x90 \xC3\xA9\xCB\x90 \xC9\x9B\xCC\x81 "
        "\xC3\xAD \xC3\xB3 \xC9\x94\xCC\x81 \xC3\xBA \xC9\x99\xCC\x81 p b t d k \xC9\xA1 f \xCA\x8B "
        "s z \xCA\x83 \xCA\x92 t\xCD\xA1s t\xCD\xA1\xCA\x83 x m n \xC5\x8B \xC9\xB1 l r j");
    ASSERT_TRUE(p.has_value());
    const auto& inventory = VoiceInventory();
    for (const std::string& name : *p)
        EXPECT_NE(std::find(inventory.begin(), inventory.end(), name), inventory.end()) << name;
}

TEST(SplitNames, TakesTwoCharacterNamesFirstAndKeepsStrays) {
    const auto& inv = VoiceInventory();
    EXPECT_EQ(SplitNames("tSa:ts", inv), (Phonemes{"tS", "a:", "ts"}));
    EXPECT_EQ(SplitNames("ax", inv), (Phonemes{"a", "x"}));
}

}  // namespace
}  // namespace tarvox::langdata
