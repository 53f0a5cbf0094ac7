#include "text/text_alignment.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

// Where `word` of the rewritten text came from in the original.
std::size_t SourceOf(const std::string& original, const std::string& rewritten,
                     const std::string& word) {
    const auto map = AlignRewritten(original, rewritten);
    return map.at(rewritten.find(word));
}

TEST(TextAlignment, CopiedTextMapsOntoItself) {
    const std::string t = "Dober dan. Kako ste?";
    const auto map = AlignRewritten(t, t);
    ASSERT_EQ(map.size(), t.size() + 1);
    for (std::size_t i = 0; i <= t.size(); ++i) EXPECT_EQ(map[i], i);
}

TEST(TextAlignment, WordsAfterReplacementsFindTheirSource) {
    struct Case {
        const char* original;
        const char* rewritten;
        const char* word;
    };
    const Case cases[] = {
        // a clock time and an abbreviation written out
        {"Pridem ob 12.30. Potem gremo.", "Pridem ob dvanajst trideset. Potem gremo.", "Potem"},
        {"Npr. dr. Novak je tu. Konec.", "na primer doktor Novak je tu. Konec.", "Konec"},
        {"Npr. dr. Novak je tu. Konec.", "na primer doktor Novak je tu. Konec.", "Novak"},
        // characters dropped or changed by the filter
        {"A\x01\x02 \"b\" c. Dva.", "A  b  c. Dva.", "Dva"},
        {"Tri \x96 pet. Sedem.", "Tri - pet. Sedem.", "Sedem"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rewritten);
        const std::string o = c.original, r = c.rewritten;
        EXPECT_EQ(SourceOf(o, r, c.word), o.find(c.word));
    }
}

TEST(TextAlignment, AlwaysInsideAndInOrder) {
    const std::string pairs[][2] = {
        {"", "nekaj"},
        {"nekaj", ""},
        {"abc", "xyz uvw rst opq"},
        {"kratko", "zelo zelo zelo dolgo besedilo brez skupnega dela s prvim"},
        {"ena dva tri", "ena dva tri štiri pet"},
    };
    for (const auto& p : pairs) {
        const auto map = AlignRewritten(p[0], p[1]);
        ASSERT_EQ(map.size(), p[1].size() + 1);
        EXPECT_EQ(map.back(), p[0].size());
        for (std::size_t i = 0; i < map.size(); ++i) {
            EXPECT_LE(map[i], p[0].size());
            if (i > 0) {
                EXPECT_GE(map[i], map[i - 1]);
            }
        }
    }
}

}  // namespace
}  // namespace tarvox
