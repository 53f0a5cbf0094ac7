#include "text/character_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

std::string Filter(std::string_view in, FilterSwitches sw = {}) {
    std::string out;
    FilterCharacters(in, out, sw);
    return out;
}

TEST(CharacterFilter, LetterTableRows) {
    struct Case {
        unsigned char in;
        unsigned char out;
    };
    const Case cases[] = {
        {0xE8, '~'}, {0xC8, '^'}, {0x9A, '{'}, {0xB9, '{'}, {0x8A, '['}, {0xA9, '['},
        {0x9E, '`'}, {0xBE, '`'}, {0x8E, '@'}, {0xAE, '@'}, {0xE6, '~'}, {0xC6, '^'},
        {0xF0, 0x7F}, {0xD0, 0x7F}, {'~', '~'}, {'a', 'a'}, {'c', 'c'}, {0xE9, 0xE9},
    };
    for (const Case& c : cases) EXPECT_EQ(MapLetter(c.in), c.out) << int(c.in);
}

TEST(CharacterFilter, RewritesBytes) {
    struct Case {
        std::string in;
        FilterSwitches sw;
        std::string out;
    };
    const Case cases[] = {
        {"\xE8" "a\x9A" "a \x8E" "ena", {}, "~a{a @ena"},
        {"\xF0ur\xF0" "a", {}, "d`urd`a"},
        {"5 \x80", {}, "5 EUR "},
        {"a~b]c|d\\e", {}, "a b c d e"},
        {"a~b]c|d\\e", {true, false, false}, "a~b]c|d\\e"},
        {"\"sola \"Cas \"zaba", {false, true, false}, "{ola ~as `aba"},
        {"\"xa\"", {false, true, false}, "\"xa\""},
        {"\"sola", {}, "\"sola"},
        {"<b>x</b>", {false, false, true}, " b x /b "},
        {"<b>", {}, "<b>"},
        {"a\x01" "b\x7F" "c\xECx\r\n", {}, "abd`c\xECx\r\n"},
        {"a\tb", {}, "a b"},
        {"\xE9t\xE9", {}, "t"},
    };
    for (const Case& c : cases) EXPECT_EQ(Filter(c.in, c.sw), c.out) << c.in;
}

TEST(CharacterFilter, StopsAtTheBufferBound) {
    EXPECT_EQ(Filter(std::string(20000, 'a')).size(), 10238u);
    // A four-byte euro written at the stop mark must still fit the buffer.
    const std::string out = Filter(std::string(10237, 'a') + "\x80\x80");
    EXPECT_EQ(out.size(), kTextBufferSize);
    EXPECT_EQ(out.substr(10237), "EUR");
}

}  // namespace
}  // namespace tarvox
