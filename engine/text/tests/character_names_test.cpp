#include "text/character_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

TEST(CharacterNames, NamesFromTheTable) {
    struct Case {
        unsigned char c;
        const char* name;
    };
    const Case cases[] = {
        {'a', "a"},          {'A', "a"},           {'c', "ts@"},        {0xE8, "tS@"},
        {0xC8, "tS@"},       {0xE6, "mE:hki tS@"}, {0xF0, "dZ@"},       {0x9A, "S@"},
        {0x8E, "Z@"},        {'w', "dvo:Ini v@"},  {'r', "rr@"},        {'~', "ti:lda"},
        {0x60, "krati:vEts"}, {'\\', "pOwra:tna pOSe:Unitsa"},         {'"', "narEkOva:I"},
        {'?', "Wpra:SaI"},   {'0', "ni:tS"},       {'4', "Sti:ri"},     {'\t', "."},
        {0xE9, "."},         {' ', "."},
    };
    for (const Case& c : cases) EXPECT_STREQ(CharacterNameOf(c.c), c.name) << int(c.c);
}

TEST(CharacterNames, EveryLetterAndDigitHasOne) {
    for (char c = 'a'; c <= 'z'; ++c) {
        EXPECT_STRNE(CharacterNameOf(static_cast<unsigned char>(c)), ".") << c;
        EXPECT_STREQ(CharacterNameOf(static_cast<unsigned char>(c)),
                     CharacterNameOf(static_cast<unsigned char>(c - 'a' + 'A')));
    }
    for (char c = '0'; c <= '9'; ++c) EXPECT_STRNE(CharacterNameOf(static_cast<unsigned char>(c)), ".");
}

}  // namespace
}  // namespace tarvox
