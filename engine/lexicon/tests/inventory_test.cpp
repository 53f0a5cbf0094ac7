#include "lexicon/inventory.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

// A small profile in the internal letter code: "~" is c with caron.
constexpr char kProfile[] =
    "male_crke = abc~deilmnoprstuv\n"
    "Razvrstitev_grafemov = 13333112221323312\n"
    "samoglasniki = aeiou\n"
    "zlog_break = \"\n"
    "najverjetnejsi_zlogi = 1\t2\t2\n"
    "Nabor_fonemov = a\ta:\tb\ttS\td\tE\tm\tn\tr\ts\tt\n"
    "Razvrstitev_fonemov = 11331122233\n";

class InventoryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearError(); }
    int Read(const std::string& content) {
        Profile p(dir.Write("gfp.ini", content), false);
        EXPECT_TRUE(p.IsLoaded());
        return inv.Read(p);
    }
    TempDir dir;
    PhonemeInventory inv;
};

TEST_F(InventoryTest, ReadsLettersAndPhonemes) {
    ASSERT_EQ(Read(kProfile), 0);
    EXPECT_EQ(inv.Letters(), "abc~deilmnoprstuv");
    EXPECT_EQ(inv.SyllableBreak(), '"');
    EXPECT_EQ(inv.MostLikelySyllables(), (std::vector<std::int32_t>{1, 2, 2}));
    EXPECT_EQ(inv.PhonemeCount(), 11u);
    EXPECT_EQ(inv.IndexOf("tS"), 3);
    EXPECT_EQ(inv.IndexOf("a:"), 1);
    EXPECT_EQ(inv.IndexOf("x"), -1);
    EXPECT_EQ(inv.Name(3), "tS");
}

TEST_F(InventoryTest, ParsePrefersPairsAndSkipsUnknown) {
    ASSERT_EQ(Read(kProfile), 0);
    EXPECT_EQ(inv.Parse("a:b"), (std::vector<int>{1, 2}));
    EXPECT_EQ(inv.Parse("tSa"), (std::vector<int>{3, 0}));
    EXPECT_EQ(inv.Parse("x a"), (std::vector<int>{0}));
    EXPECT_EQ(inv.FirstLongVowel("bEra:n"), 3);
    EXPECT_EQ(inv.FirstLongVowel("bEran"), -1);
    EXPECT_EQ(inv.Sonorities(inv.Parse("bEran")), "nvzvz");
}

TEST_F(InventoryTest, WithoutTheLongVowelTheColonIsSkipped) {
    std::string p = kProfile;
    p.replace(p.find("a\ta:\t"), 5, "a\tx\t");
    ASSERT_EQ(Read(p), 0);
    EXPECT_EQ(inv.Parse("a:b"), (std::vector<int>{0, 2}));
}

TEST_F(InventoryTest, LetterTests) {
    ASSERT_EQ(Read(kProfile), 0);
    char s = 0;
    EXPECT_TRUE(inv.LetterSonority('~', s));
    EXPECT_EQ(s, 'n');
    EXPECT_TRUE(inv.LetterSonority('e', s));
    EXPECT_EQ(s, 'v');
    EXPECT_TRUE(inv.LetterSonority('m', s));
    EXPECT_EQ(s, 'z');
    inv.SetForcedSpace('+');
    EXPECT_TRUE(inv.LetterSonority('+', s));  // position 0: the class of "a"
    EXPECT_EQ(s, 'v');
    EXPECT_TRUE(inv.PreviousIsVowel("kra", 2) == false);
    EXPECT_TRUE(inv.PreviousIsVowel("kar", 2));
    EXPECT_FALSE(inv.PreviousIsVowel("a", 0));
    EXPECT_TRUE(inv.NextIsVowel("ka", 0));
    EXPECT_FALSE(inv.NextIsVowel("ka", 1));
}

TEST_F(InventoryTest, FailuresStopAtTheFirstMissingKey) {
    struct Case {
        const char* drop;
        const char* message;
    };
    const Case cases[] = {
        {"male_crke", "Napaka: 'male_crke' ne obstaja\n"},
        {"Razvrstitev_grafemov", "Napaka: 'Razvrstitev_grafemov' ne obstaja\n"},
        {"samoglasniki", "Napaka: 'samoglasniki' ne obstaja\n"},
        {"zlog_break", "Napaka: 'zlog_break' ne obstaja\n"},
        {"najverjetnejsi_zlogi", "Napaka: 'najverjetnejsi_zlogi' ne obstaja\n"},
        {"Nabor_fonemov", "Napaka: 'Nabor_fonemov' ne obstaja\n"},
        {"Razvrstitev_fonemov", "Napaka: 'Razvrstitev_fonemov' ne obstaja\n"},
    };
    for (const Case& c : cases) {
        std::string p = kProfile;
        p.replace(p.find(c.drop), 1, "#");
        EXPECT_EQ(Read(p), -1) << c.drop;
        EXPECT_EQ(LastError(), c.message);
    }
    EXPECT_EQ(Read(std::string("male_crke = \n") + kProfile), -1);
    EXPECT_EQ(LastError(), "Napaka: 'male_crke' ne obstaja\n");
}

TEST_F(InventoryTest, ClassificationMustMatchTheInventory) {
    std::string p = kProfile;
    p.replace(p.find("11331122233"), 11, "1133112223");
    EXPECT_EQ(Read(p), -1);
    EXPECT_EQ(LastError(), "Napaka: 'Razvrstitev_fonemov' ni enake dolžine kot Nabor_fonemov\n");
}

}  // namespace
}  // namespace tarvox
