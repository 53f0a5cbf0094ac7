#include "base/profile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/diag.h"
#include "base/files.h"
#include "base/profile_cipher.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

using testing::TempDir;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ClearError(); }
    Profile Load(std::string_view content, bool enciphered = false) {
        return Profile(dir.Write(enciphered ? "p.ins" : "p.ini", content), enciphered);
    }
    TempDir dir;
};

TEST_F(ProfileTest, EmptyFileLoadsWithoutVariables) {
    Profile p = Load("");
    ASSERT_TRUE(p.IsLoaded());
    std::string s;
    std::int32_t n = 0;
    EXPECT_EQ(p.GetString("x", s), -1);
    EXPECT_EQ(p.GetLong("x", n), -1);
    EXPECT_EQ(p.CountItems("x", ','), -1);
    EXPECT_EQ(p.Find("x"), nullptr);
}

TEST_F(ProfileTest, MissingFileReportsItsName) {
    Profile p(dir.file("none.ini"), false);
    EXPECT_FALSE(p.IsLoaded());
    EXPECT_EQ(LastError(), "Napaka pri odpiranju datoteke <" + dir.file("none.ini") + ">");
}

// A directory where a file should be is a file that cannot be opened, not
// one of about 2^63 bytes.
TEST_F(ProfileTest, DirectoryIsNotAFile) {
    std::filesystem::create_directories(dir.path() / "d.ini");
    Profile p(dir.file("d.ini"), false);
    EXPECT_FALSE(p.IsLoaded());
    EXPECT_EQ(LastError(), "Napaka pri odpiranju datoteke <" + dir.file("d.ini") + ">");
    EXPECT_FALSE(ReadWholeFile(dir.file("d.ini")));
}

TEST_F(ProfileTest, StringValuesAreNormalised) {
    struct Case {
        const char* content;
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"ime = vrednost\n", "ime", "vrednost"},
        {"ime=vrednost", "ime", "vrednost"},
        {"ime\t=\t  vrednost  \n", "ime", "vrednost  "},
        {"v = a\n  b  \n", "v", "a b  "},
        {"v = a\r\n\t b\r\n c\r\n", "v", "a b c"},
        {"v = a # ni komentar\n", "v", "a # ni komentar"},
        {"v = a\n#komentar\n b\n", "v", "a"},
        {"v = \n  \n", "v", ""},
    };
    for (const Case& c : cases) {
        Profile p = Load(c.content);
        ASSERT_TRUE(p.IsLoaded()) << c.content;
        std::string out;
        EXPECT_EQ(p.GetString(c.name, out), static_cast<int>(std::strlen(c.expected))) << c.content;
        EXPECT_EQ(out, c.expected) << c.content;
        EXPECT_EQ(p.GetStringLength(c.name), static_cast<int>(out.size()));
    }
}

TEST_F(ProfileTest, FirstOccurrenceWinsAndNamesAreCaseSensitive) {
    Profile p = Load("a = 1\nA = 2\na = 3\n");
    std::int32_t v = 0;
    ASSERT_EQ(p.GetLong("a", v), 0);
    EXPECT_EQ(v, 1);
    ASSERT_EQ(p.GetLong("A", v), 0);
    EXPECT_EQ(v, 2);
}

TEST_F(ProfileTest, EntryLineWithoutEqualsReportsCrCountedLine) {
    struct Case {
        const char* content;
        const char* message;
    };
    const Case cases[] = {
        {"a = 1\r\nb = 2\r\n1, 2, 3\r\n", "Napaka v profile datoteki - vrstica 3"},
        {"a = 1\nb = 2\n1, 2, 3\n", "Napaka v profile datoteki - vrstica 1"},
        {"a = 1\rb\r", "Napaka v profile datoteki - vrstica 2"},
    };
    for (const Case& c : cases) {
        Profile p = Load(c.content);
        EXPECT_FALSE(p.IsLoaded()) << c.content;
        EXPECT_EQ(LastError(), c.message);
    }
}

TEST_F(ProfileTest, ListLineWithLeadingBlankContinuesTheValue) {
    Profile p = Load("a = 0\n 1, 2, 3\n");
    ASSERT_TRUE(p.IsLoaded());
    EXPECT_EQ(p.CountItems("a", ','), 4);
}

TEST_F(ProfileTest, NumbersUseTheirReadersBase) {
    Profile p = Load("h = 0x1F\no = 010\nd = 12abc\nn = abc\ns = -7\narr = 010, 0x10\n");
    std::int32_t v = -1;
    p.GetLong("h", v);
    EXPECT_EQ(v, 31);
    p.GetLong("o", v);
    EXPECT_EQ(v, 8);
    p.GetLong("d", v);
    EXPECT_EQ(v, 12);
    p.GetLong("n", v);
    EXPECT_EQ(v, 0);
    p.GetLong("s", v);
    EXPECT_EQ(v, -7);
    std::vector<std::int32_t> arr;
    EXPECT_EQ(p.GetLongArray("arr", ',', arr), 2);
    EXPECT_EQ(arr, (std::vector<std::int32_t>{10, 0}));
    std::vector<std::int32_t> auto_base;
    EXPECT_EQ(p.GetNumberArray("arr", ',', 2, nullptr, nullptr, &auto_base), 2);
    EXPECT_EQ(auto_base, (std::vector<std::int32_t>{8, 16}));
}

TEST_F(ProfileTest, RealsAndNumberArrayKinds) {
    Profile p = Load("r = -1.5e2x\nl = 1.5\t2.25\n 3\n");
    double d = 0;
    ASSERT_EQ(p.GetDouble("r", d), 0);
    EXPECT_DOUBLE_EQ(d, -150.0);
    std::vector<double> reals;
    std::vector<float> floats;
    EXPECT_EQ(p.GetNumberArray("l", '\t', 0, &reals, nullptr, nullptr), 3);
    EXPECT_EQ(reals, (std::vector<double>{1.5, 2.25, 3}));
    EXPECT_EQ(p.GetNumberArray("l", '\t', 1, nullptr, &floats, nullptr), 3);
    EXPECT_EQ(floats, (std::vector<float>{1.5f, 2.25f, 3.0f}));
    EXPECT_EQ(p.GetNumberArray("l", '\t', 7, &reals, &floats, nullptr), 3);
    EXPECT_TRUE(reals.empty());
}

TEST_F(ProfileTest, ListSplittingRules) {
    struct Case {
        const char* value;
        char sep;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {",,1,,2,", ',', {"1", "2"}},
        {"1, 2", ',', {"1", " 2"}},
        {"a\tb\n\t c\n", '\t', {"a", "b", " c"}},
        {"a\tb\n  c\n", '\t', {"a", "b", "c"}},
        {"one two", ' ', {"one", "two"}},
        {"x y\n  z", ',', {"x y", "z"}},
    };
    for (const Case& c : cases) {
        Profile p = Load(std::string("v =") + c.value + "\n");
        ASSERT_TRUE(p.IsLoaded());
        EXPECT_EQ(p.CountItems("v", c.sep), static_cast<int>(c.items.size())) << c.value;
        std::vector<const char*> items;
        ASSERT_EQ(p.SplitItems("v", c.sep, items), static_cast<int>(c.items.size()));
        for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i], c.items[i]) << c.value;
    }
}

TEST_F(ProfileTest, SplitCutsLaterStringLookups) {
    Profile p = Load("v =a,b,c\nw = \n x,y\n");
    std::vector<const char*> items;
    ASSERT_EQ(p.SplitItems("v", ',', items), 3);
    std::string s;
    EXPECT_EQ(p.GetString("v", s), 1);
    EXPECT_EQ(s, "a");
    EXPECT_EQ(p.CountItems("v", ','), 1);
    ASSERT_EQ(p.SplitItems("w", ',', items), 2);
    EXPECT_EQ(p.GetString("w", s), 0);
}

TEST_F(ProfileTest, StringArrayReportsEmptyAndMissingLists) {
    Profile p = Load("v = a;b\ne = \n");
    std::vector<const char*> items;
    EXPECT_EQ(p.GetStringArray("v", ';', items), 2);
    EXPECT_EQ(p.GetStringArray("e", ';', items), 0);
    EXPECT_EQ(LastError(), "Napaka pri branju spremenljivk: e");
    EXPECT_EQ(p.GetStringArray("m", ';', items), -1);
    EXPECT_EQ(LastError(), "Napaka pri branju spremenljivk: m");
}

TEST_F(ProfileTest, QuotedStrings) {
    std::string out;
    EXPECT_TRUE(toCstring(" \"a\\tb\\\"c\\n\" rest", out));
    EXPECT_EQ(out, "a\tb\"c\n");
    EXPECT_TRUE(toCstring("\"\\0x\"", out));
    EXPECT_EQ(out, std::string("\0x", 2));
    EXPECT_FALSE(toCstring("\"open", out));
    EXPECT_FALSE(toCstring("no quotes", out));
}

TEST_F(ProfileTest, EncipheredProfileRoundTrips) {
    const std::string plain = "ime = vrednost\r\nlist = 1\t2\t3\r\n";
    const std::vector<char> image = EncipherProfile(plain);
    ASSERT_EQ(image.size(), plain.size() + kProfileCipherHeader);
    EXPECT_EQ(std::string(image.begin() + 8, image.end()).find("vrednost"), std::string::npos);
    Profile p = Load(std::string(image.begin(), image.end()), true);
    ASSERT_TRUE(p.IsLoaded());
    std::string s;
    p.GetString("ime", s);
    EXPECT_EQ(s, "vrednost");
    auto back = DecipherProfile(image);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::string(back->begin(), back->end()), plain);
}

TEST_F(ProfileTest, CorruptEncipheredProfilesFailToLoad) {
    const std::string plain = "a = 1\n";
    const std::vector<char> image = EncipherProfile(plain);
    const std::string good(image.begin(), image.end());
    const std::string cases[] = {
        good.substr(0, good.size() - 1),  // short body
        good + "x",                       // long body
        good.substr(0, 5),                // short header
        "XXXX" + good.substr(4),          // wrong tag
        plain,                            // not enciphered at all
    };
    for (const std::string& c : cases) {
        ClearError();
        Profile p = Load(c, true);
        EXPECT_FALSE(p.IsLoaded());
        EXPECT_EQ(LastError(), "Napaka pri branju profile datoteke\n");
    }
}

}  // namespace
}  // namespace tarvox
