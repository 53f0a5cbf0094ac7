#include <gtest/gtest.h>

#include "base/diag.h"
#include "lexicon/dictionary.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

class PhraseListTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearError(); }
    std::optional<std::string> Find(std::string_view key) const {
        const auto hit = phrases.Lookup(key);
        return hit ? std::optional<std::string>(std::string(*hit)) : std::nullopt;
    }
    TempDir dir;
    PhraseList phrases;
};

TEST_F(PhraseListTest, LookupIgnoresCaseAcrossAllLists) {
    dir.Write("a.pdc", "Na Primer\tna primer\r\nZ DNE\tz dne\r\n");
    dir.Write("b.PDC", "itd\tin tako dalje");  // no final line end
    dir.Write("c.dct", "ne\tphrase\r\n");      // not a phrase list
    ASSERT_EQ(phrases.Load(dir.dir()), 0);
    EXPECT_EQ(phrases.Size(), 3u);
    EXPECT_EQ(Find("na primer"), "na primer");
    EXPECT_EQ(Find("NA PRIMER"), "na primer");
    EXPECT_EQ(Find("z dne"), "z dne");
    EXPECT_EQ(Find("ITD"), "in tako dalje");
    EXPECT_FALSE(Find("ne"));
    EXPECT_FALSE(Find("na"));
    EXPECT_FALSE(Find("na primer "));
}

TEST_F(PhraseListTest, SortingFoldsCaseSoEveryKeyIsFound) {
    // Byte order would put every capital before every small letter; the
    // lists are sorted and searched with the same folded order.
    std::string text;
    for (char c = 'a'; c <= 'z'; ++c) {
        const char upper = static_cast<char>(c - 'a' + 'A');
        text += std::string(1, (c % 2) ? upper : c) + "x\t" + std::string(1, c) + "\r\n";
    }
    dir.Write("abc.pdc", text);
    ASSERT_EQ(phrases.Load(dir.dir()), 0);
    for (char c = 'a'; c <= 'z'; ++c) EXPECT_EQ(Find(std::string(1, c) + "X"), std::string(1, c));
}

TEST_F(PhraseListTest, NoListsIsAnEmptyListWithoutError) {
    ASSERT_EQ(phrases.Load(dir.dir()), 0);
    EXPECT_EQ(phrases.Size(), 0u);
    EXPECT_FALSE(Find("x"));
    EXPECT_EQ(phrases.Load(dir.file("missing")), 0);
    EXPECT_FALSE(ErrorFlag());
}

TEST_F(PhraseListTest, KeyWithoutReplacementAndComparison) {
    dir.Write("a.pdc", "samo\r\n");
    ASSERT_EQ(phrases.Load(dir.dir()), 0);
    EXPECT_EQ(Find("SAMO"), "");
    EXPECT_EQ(ComparePhraseKeys("abc", "ABC"), 0);
    EXPECT_LT(ComparePhraseKeys("ab", "ABC"), 0);
    EXPECT_GT(ComparePhraseKeys("b", "A"), 0);
    EXPECT_LT(ComparePhraseKeys("z", "\x9a"), 0);  // bytes compare unsigned
}

}  // namespace
}  // namespace tarvox
