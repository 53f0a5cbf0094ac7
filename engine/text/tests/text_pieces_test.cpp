#include "text/text_pieces.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvox {
namespace {

std::string Join(const std::vector<std::string_view>& pieces) {
    std::string s;
    for (auto p : pieces) s += p;
    return s;
}

TEST(TextPieces, PrefersTheStrongestBoundaryInsideTheLimit) {
    struct Case {
        std::string text;
        std::size_t limit;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"kratko", 20, {"kratko"}},
        {"ena.\n\ndva tri. stiri", 13, {"ena.\n\n", "dva tri. ", "stiri"}},
        {"ena dva. tri stiri", 12, {"ena dva. ", "tri stiri"}},
        {"ena dva tri", 6, {"ena ", "dva ", "tri"}},
        {"abcdefgh", 3, {"abc", "def", "gh"}},
        {"", 5, {}},
    };
    for (const Case& c : cases) {
        const auto pieces = SplitIntoPieces(c.text, c.limit);
        ASSERT_EQ(pieces.size(), c.pieces.size()) << c.text;
        for (std::size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(pieces[i], c.pieces[i]);
    }
}

TEST(TextPieces, LongTextLosesNothingAndEveryPieceFits) {
    std::string text;
    for (int i = 0; text.size() < 50000; ++i)
        text += "Stavek stevilka " + std::to_string(i) + (i % 7 ? ". " : ".\n");
    const auto pieces = SplitIntoPieces(text);
    EXPECT_EQ(Join(pieces), text);
    for (auto p : pieces) EXPECT_LE(p.size(), kConverterTextLimit);
    EXPECT_GE(pieces.size(), 5u);
}

}  // namespace
}  // namespace tarvox
