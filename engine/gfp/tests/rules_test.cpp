#include "gfp/rules.h"

#include <gtest/gtest.h>

#include "base/diag.h"
#include "base/profile.h"
#include "gfp_fixture.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

using testing::GfpProfile;
using testing::TempDir;

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ReadClasses(GfpProfile()), 0); }

    int ReadClasses(const GfpProfile& p) {
        profile_ = std::make_unique<Profile>(dir.Write("gfp.ini", p.Text()), false);
        EXPECT_TRUE(profile_->IsLoaded());
        return classes.Read(*profile_);
    }

    RuleList Rules(const std::vector<std::string>& items) {
        RuleList r;
        EXPECT_EQ(r.Assign(items, classes), RuleList::ReadResult::kOk);
        return r;
    }

    // The output of the first match at `pos`, or "-" when none; `pos` moves.
    static std::string MatchAt(const RuleList& r, std::string_view text, std::size_t& pos) {
        const auto out = r.Match(text, pos);
        return out ? std::string(*out) : "-";
    }

    TempDir dir;
    std::unique_ptr<Profile> profile_;
    CharClasses classes;
};

TEST_F(RulesTest, TheFirstMatchingRuleWinsOverALongerTarget) {
    const RuleList r = Rules({"", "a", "", "1", "", "ab", "", "2"});
    std::size_t pos = 0;
    EXPECT_EQ(MatchAt(r, "ab", pos), "1");
    EXPECT_EQ(pos, 1u);
}

TEST_F(RulesTest, AnEmptyTargetInsertsWithoutConsuming) {
    const RuleList r = Rules({"x", "", "b", "j", "", "b", "", "B"});
    std::size_t pos = 1;
    EXPECT_EQ(MatchAt(r, "xb", pos), "j");
    EXPECT_EQ(pos, 1u);
    pos = 0;
    EXPECT_EQ(MatchAt(r, "b", pos), "B");  // no "x" before: the second rule
    EXPECT_EQ(pos, 1u);
}

TEST_F(RulesTest, PlaceholdersMatchTheirClass) {
    // V vowels, T voiceless consonants, Z voiced consonants.
    const RuleList r = Rules({"V", "s", "V", "z", "", "d", "T", "t", "", "d", " ", "t"});
    struct Case {
        const char* text;
        std::size_t pos;
        const char* out;
    };
    const Case cases[] = {
        {"asa", 1, "z"}, {"ass", 1, "-"}, {"Vsa", 1, "-"},  // a literal V is no vowel
        {"dk", 0, "t"},  {"db", 0, "-"},  {"d ", 0, "t"},  {"d", 0, "-"},
    };
    for (const Case& c : cases) {
        std::size_t pos = c.pos;
        EXPECT_EQ(MatchAt(r, c.text, pos), c.out) << c.text;
    }
}

TEST_F(RulesTest, ALeftContextNeverReachesBeforeTheText) {
    const RuleList r = Rules({"x", "a", "", "1", "", "a", "", "2"});
    std::size_t pos = 0;
    EXPECT_EQ(MatchAt(r, "a", pos), "2");
    pos = 1;
    EXPECT_EQ(MatchAt(r, "xa", pos), "1");
    pos = 0;
    EXPECT_EQ(MatchAt(r, "", pos), "-");
    EXPECT_EQ(pos, 0u);
}

TEST_F(RulesTest, APlaceholderBeyondTheClassesMatchesNothing) {
    GfpProfile p;
    // A repeated byte takes its later position: "1" to "4" stand for the
    // classes 18 to 21, which do not exist; "5" stands for class 12 (.!?).
    p.vars["glasovne_skupine"] = "VCPSTZN12345678901234";
    ASSERT_EQ(ReadClasses(p), 0);
    const RuleList r = Rules({"", "1", "", "one", "", "5", "", "final"});
    for (const char* text : {"1", "a", ".", "5", "%"}) {
        std::size_t pos = 0;
        EXPECT_EQ(MatchAt(r, text, pos), std::string_view(text) == "." ? "final" : "-") << text;
    }
}

// The bucket index must give the same answers as a plain scan of the rules.
TEST_F(RulesTest, TheIndexKeepsTheFirstMatchOfAPlainScan) {
    const std::vector<std::string> items = {
        "V", "s", "V", "z",  "",  "",  "V", "j",  "",  "sV", "", "S",  "C", "", "_", "@",
        "",  "s", "",  "s",  "r", "",  "",  "R",  "",  "/a", "", "a:", "",  "a", "", "a",
        "",  "/", "C", "ERR", "", "/", "",  "",   "T", "",  "T", "-",  "",  "k", "_", "g"};
    const RuleList r = Rules(items);
    auto plain_scan = [&](std::string_view text, std::size_t& pos) -> std::string {
        for (std::size_t i = 0; i < r.size(); ++i) {
            const RuleList::Rule& rule = r[i];
            if (pos < rule.left || pos - rule.left + rule.pattern.size() > text.size()) continue;
            bool ok = true;
            for (std::size_t j = 0; ok && j < rule.pattern.size(); ++j) {
                const auto pc = static_cast<unsigned char>(rule.pattern[j]);
                const auto tc = static_cast<unsigned char>(text[pos - rule.left + j]);
                const int cls = classes.Position(pc, kGlasovneSkupine);
                ok = cls == 0 ? pc == tc : classes.In(tc, cls);
            }
            if (ok) {
                pos += rule.target;
                return rule.output;
            }
        }
        return "-";
    };
    for (const char* text : {" /asa ", " sar  k", " tksr/ ", "asrs", " /k ", "s", ""}) {
        const std::string_view t(text);
        for (std::size_t p = 0; p <= t.size(); ++p) {
            std::size_t a = p;
            std::size_t b = p;
            EXPECT_EQ(MatchAt(r, t, a), plain_scan(t, b)) << '"' << text << "\" at " << p;
            EXPECT_EQ(a, b);
        }
    }
}

TEST_F(RulesTest, ProfileItemsEndAtEqualsAndUnderscoreIsABlank) {
    GfpProfile p;
    p.vars["pravila"] = "_\ta=x\t=\tA\n=\t=\t_\t<\n";
    p.vars["pravila_slovar"] = "d\t_\tT\tt";
    ASSERT_EQ(ReadClasses(p), 0);
    RuleList cross, rules;
    ASSERT_EQ(PrepareRules(*profile_, classes, cross, rules), 0);
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].pattern, " a");
    EXPECT_EQ(rules[0].left, 1u);
    EXPECT_EQ(rules[0].output, "A");
    std::size_t pos = 1;
    EXPECT_EQ(MatchAt(rules, " a", pos), "A");
    pos = 0;
    EXPECT_EQ(MatchAt(rules, "b ", pos), "-");
    pos = 1;
    EXPECT_EQ(MatchAt(rules, "b ", pos), "<");
    EXPECT_EQ(pos, 1u);
    EXPECT_EQ(cross.size(), 1u);
}

TEST_F(RulesTest, ReadingFailuresReportTheList) {
    struct Case {
        const char* cross_word;  // null: missing
        const char* rules;
        const char* message;
    };
    const Case cases[] = {
        {nullptr, "=\ta\t=\tb", "Napaka: (pripravi_pravila): pravila_slovar"},
        {"", "=\ta\t=\tb", "Napaka: (pripravi_pravila): pravila_slovar"},
        {"a\tb\tc", "=\ta\t=\tb", "Napacno stevilo pravil (pravila_slovar)"},
        {"a\tb\tc\td", nullptr, "Napaka: (pripravi_pravila): pravila"},
        {"a\tb\tc\td", "a\tb\tc\td\te", "Napacno stevilo pravil"},
    };
    for (const Case& c : cases) {
        GfpProfile p;
        p.vars.erase("pravila_slovar");
        p.vars.erase("pravila");
        if (c.cross_word) p.vars["pravila_slovar"] = c.cross_word;
        if (c.rules) p.vars["pravila"] = c.rules;
        ASSERT_EQ(ReadClasses(p), 0);
        ClearError();
        RuleList cross, rules;
        EXPECT_EQ(PrepareRules(*profile_, classes, cross, rules), -1) << c.message;
        EXPECT_EQ(LastError(), c.message);
    }
}

}  // namespace
}  // namespace tarvox
