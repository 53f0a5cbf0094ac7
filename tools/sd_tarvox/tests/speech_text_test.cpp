#include "speech_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox::sd {
namespace {

std::string Show(const PlainText& p) {
    // The text with every mark written as {name} at its place.
    std::string out;
    std::size_t m = 0;
    for (std::size_t i = 0; i <= p.text.size(); ++i) {
        while (m < p.marks.size() && p.marks[m].position == i) out += "{" + p.marks[m++].name + "}";
        if (i < p.text.size()) out.push_back(p.text[i]);
    }
    return out;
}

struct SsmlCase {
    const char* ssml;
    const char* shown;
};

TEST(StripSsml, MarkupEntitiesAndMarks) {
    const SsmlCase cases[] = {
        {"<speak>Dober dan, svet.</speak>", "Dober dan, svet."},
        {"Brez oznak.", "Brez oznak."},
        {"<speak><mark name=\"__spd_id_1\"/>Ena. <mark name=\"__spd_id_2\"/>Dva.</speak>",
         "{__spd_id_1}Ena. {__spd_id_2}Dva."},
        {"<speak>a&lt;b &amp; c&gt;d &quot;x&quot; &apos;y&apos;</speak>", "a<b & c>d \"x\" 'y'"},
        {"&#269;&#x161;&#X17E; &#0; &#xD800; &bogus; &", "čšž &#0; &#xD800; &bogus; &"},
        {"<s>Prvi</s><s>drugi</s>", "Prvi drugi"},
        {"Pa<break time=\"1s\"/>vza", "Pa vza"},
        {"<emphasis>za</emphasis>čne", "začne"},
        {"<?xml version=\"1.0\"?><!-- opomba --><speak>x</speak>", "x"},
        {"<![CDATA[a<b]]>", "a<b"},
        {"3 < 4 in 5 > 2", "3 < 4 in 5 > 2"},
        {"nedokončan <oznaka", "nedokončan <oznaka"},
        {"<mark name='en'/><mark name=\"a&amp;b\"/><mark/><mark name=\"\"/>x", "{en}{a&b}x"},
        {"<mark name=\"ime > z\"/>x", "{ime > z}x"},
        {"<ssml:mark name=\"n\"/>x<MARK NAME=\"ignored-case\"/>", "{n}x"},
        {"Konec.<mark name=\"__spd_id_9\"/>", "Konec.{__spd_id_9}"},
        {"<p>a</p><mark name=\"m\"/><p>b</p>", "a {m}b"},
        {"<mark name=\"two\nlines\"/>x", "x"},
        {"", ""},
    };
    for (const SsmlCase& c : cases) EXPECT_EQ(Show(StripSsml(c.ssml)), c.shown) << c.ssml;
}

TEST(StripSsml, MarkPositionsAreByteOffsetsOfTheUtf8Text) {
    const PlainText p = StripSsml("<speak>Čas <mark name=\"m\"/>teče.</speak>");
    ASSERT_EQ(p.marks.size(), 1u);
    EXPECT_EQ(p.text.substr(p.marks[0].position), "teče.");
}

TEST(NamePunctuation, ModesNameTheirCharacters) {
    struct Case {
        Punctuation mode;
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {Punctuation::kNone, "Da, 5% (ne).", "Da, 5% (ne)."},
        {Punctuation::kSome, "Da, 5% (ne).", "Da, 5 odstotek  (ne)."},
        {Punctuation::kMost, "Da, 5% (ne).", "Da, 5 odstotek  oklepaj ne zaklepaj ."},
        {Punctuation::kAll, "Da, 5%.", "Da vejica,  5 odstotek pika. "},
        {Punctuation::kSome, "a@b", "a afna b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Show(NamePunctuation({c.text, {}}, c.mode)), c.shown) << c.text;
}

TEST(NamePunctuation, MarksMoveWithTheText) {
    const PlainText in{"a#b c", {{2, "m1"}, {5, "end"}}};
    EXPECT_EQ(Show(NamePunctuation(in, Punctuation::kSome)), "a lojtra {m1}b c{end}");
}

TEST(KeyPieces, KeyNamesAndCombinations) {
    struct Case {
        const char* key;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"a", {"a"}},
        {"č", {"č"}},
        {"space", {"preslednica"}},
        {"shift_a", {"dvigalka", "a"}},
        {"control_alt_delete", {"krmilka", "alt", "brisalka"}},
        {"underscore", {"_"}},
        {"_", {"_"}},
        {"kp-enter", {"številčnica vnašalka"}},
        {"kp-7", {"številčnica", "7"}},
        {"f12", {"F", "12"}},
        {"double-quote", {"\""}},
        {"neznana", {"neznana"}},
    };
    for (const Case& c : cases) EXPECT_EQ(KeyPieces(c.key), c.pieces) << c.key;
}

TEST(Characters, SplitsUtf8AndDropsWhiteSpace) {
    EXPECT_EQ(Characters("Ač ž\n1"), (std::vector<std::string>{"A", "č", "ž", "1"}));
    // A cut sequence at the end stays one (short) character.
    EXPECT_EQ(Characters(std::string("a\xC4")), (std::vector<std::string>{"a", "\xC4"}));
}

TEST(IsCapital, SlovenianLetters) {
    EXPECT_TRUE(IsCapital("A"));
    EXPECT_TRUE(IsCapital("Č"));
    EXPECT_FALSE(IsCapital("č"));
    EXPECT_FALSE(IsCapital("1"));
    EXPECT_FALSE(IsCapital(""));
}

}  // namespace
}  // namespace tarvox::sd
