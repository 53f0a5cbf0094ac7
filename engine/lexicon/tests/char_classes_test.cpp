#include "lexicon/char_classes.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

constexpr char kClasses[] =
    "cifre = 0123456789\n"
    "male_crke = abc~deaz`\n"
    "velike_crke = ABC^DEAZ@\n"
    "koncna_locila = .!?\n"
    "nekoncna_locila = ,;:\n"
    "dodatna_locila = -\n"
    "posebni_znaki = %&\n"
    "dodatni_znaki = *\n"
    "samoglasniki = aeiou\n"
    "soglasniki = bcdz~`\n"
    "sogl_pr = bd\n"
    "zvocniki = mnlrjv\n"
    "nezv_sogl = c~\n"
    "zven_sogl = bdz`\n"
    "zven_nezvoc = bdz`\n"
    "glasovne_skupine = 0SZ\n"
    "sampa_locila = .,!?\n";

class CharClassesTest : public ::testing::Test {
protected:
    int Read(const std::string& content) {
        ClearError();
        Profile p(dir.Write("gfp.ini", content), false);
        EXPECT_TRUE(p.IsLoaded());
        return classes.Read(p);
    }
    testing::TempDir dir;
    CharClasses classes;
};

TEST_F(CharClassesTest, PositionsAndDerivedTests) {
    ASSERT_EQ(Read(std::string(kClasses) + "Vsiljeni_presledek = +\n"), 0);
    EXPECT_EQ(classes.Position('c', kMaleCrke), 3);
    EXPECT_EQ(classes.Position('a', kMaleCrke), 7);  // the later position of a repeated byte
    EXPECT_EQ(classes.Position('S', kGlasovneSkupine), 2);
    EXPECT_EQ(classes.Position('x', kMaleCrke), 0);
    EXPECT_EQ(classes.Position('a', kUnused8), 0);
    EXPECT_TRUE(classes.IsLetter('^'));
    EXPECT_TRUE(classes.IsPunctuation('-'));
    EXPECT_FALSE(classes.IsKnown('-'));
    EXPECT_TRUE(classes.IsKnown('%'));
    EXPECT_FALSE(classes.IsKnown('*'));
    EXPECT_EQ(classes.ForcedSeparator(), '+');
}

TEST_F(CharClassesTest, CaseConversionFollowsTheLetterStrings) {
    ASSERT_EQ(Read(kClasses), 0);
    std::string s = "~a`x1";
    classes.ToUpper(s);
    EXPECT_EQ(s, "^A@x1");
    classes.ToLower(s);
    EXPECT_EQ(s, "~a`x1");
    EXPECT_EQ(classes.ForcedSeparator(), '\0');
}

TEST_F(CharClassesTest, BadClassStringsFail) {
    std::string missing = kClasses;
    missing.replace(missing.find("sogl_pr"), 1, "#");
    EXPECT_EQ(Read(missing), -1);
    EXPECT_EQ(LastError(), "Napaka 1 pri branju sibmolov sogl_pr\n");

    std::string empty = kClasses;
    empty.replace(empty.find("bd\n"), 2, "");
    EXPECT_EQ(Read(empty), -1);
    EXPECT_EQ(LastError(), "Napaka 1 pri branju sibmolov sogl_pr\n");

    EXPECT_EQ(Read("cifre = " + std::string(257, '1') + "\n" + kClasses), -1);
    EXPECT_EQ(LastError(), "Napaka 1 pri branju sibmolov cifre\n");
    EXPECT_EQ(Read("cifre = " + std::string(256, '1') + "\n" + kClasses), 0);
}

}  // namespace
}  // namespace tarvox
