// The language data of the voice "Quenlar Orin", read with the engine's own
// readers: every key present and well formed, and every phoneme the
// converter can write one the back end can render.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "base/diag.h"
#include "base/profile.h"
#include "base/records.h"
#include "driver/unit_conversion.h"
#include "gfp/accent.h"
#include "gfp/rules.h"
#include "lexicon/char_classes.h"
#include "lexicon/inventory.h"
#include "lexicon/sampa.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

std::string VoiceSource() {
    const char* root = std::getenv("TARVOX_SOURCE_DIR");
    return std::string(root ? root : ".") + "/voices/quenlar-orin/";
}

// Punctuation marks that stand as words of their own in the phoneme string.
constexpr std::string_view kMarks = ".,!?;-/$";

class VoiceData : public ::testing::Test {
protected:
    void SetUp() override {
        ClearError();
        ASSERT_TRUE(gfp_.IsLoaded()) << LastError();
        ASSERT_EQ(classes_.Read(gfp_), 0) << LastError();
        ASSERT_EQ(inventory_.Read(gfp_), 0) << LastError();
    }

    // Cuts a phonetic word into inventory names; false (with the rest in
    // `bad`) when something is left that no name covers.
    bool Cuts(std::string_view word, std::string& bad) const {
        std::size_t i = 0;
        while (i < word.size()) {
            if (i + 1 < word.size() && inventory_.IndexOf(word.substr(i, 2)) >= 0) {
                i += 2;
            } else if (inventory_.IndexOf(word.substr(i, 1)) >= 0 ||
                       kMarks.find(word[i]) != std::string_view::npos || word[i] == ' ') {
                i += 1;
            } else {
                bad = std::string(word.substr(i));
                return false;
            }
        }
        return true;
    }

    Profile gfp_{VoiceSource() + "gfp.ini", false};
    CharClasses classes_;
    PhonemeInventory inventory_;
};

TEST_F(VoiceData, ConverterProfileHoldsEveryTable) {
    EXPECT_EQ(classes_.ForcedSeparator(), '#');
    EXPECT_EQ(inventory_.SyllableBreak(), '"');
    EXPECT_EQ(classes_.LowerLetters().size(), classes_.UpperLetters().size());
    EXPECT_EQ(inventory_.LetterClasses().size(), inventory_.Letters().size());
    // The three caron letters and their capitals are partners.
    EXPECT_EQ(classes_.ToUpper('~'), '^');
    EXPECT_EQ(classes_.ToUpper('{'), '[');
    EXPECT_EQ(classes_.ToUpper('`'), '@');
    EXPECT_EQ(classes_.ToLower('@'), '`');
    EXPECT_TRUE(classes_.IsLetter('@'));
    // Every character a sentence can hand to the rules is known or dropped on
    // purpose: letters, and the punctuation that survives the word filter.
    for (const char c : std::string_view(".,!?;:-()]}\"'\\|/%&+$*"))
        EXPECT_TRUE(classes_.IsPunctuation(static_cast<unsigned char>(c)) ||
                    classes_.In(static_cast<unsigned char>(c), kPosebniZnaki))
            << c;

    RuleList cross, rules;
    ASSERT_EQ(PrepareRules(gfp_, classes_, cross, rules), 0) << LastError();
    EXPECT_GT(rules.size(), 100u);
    AccentLists accents;
    ASSERT_EQ(accents.Read(gfp_), 0) << LastError();
    CliticLists clitics;
    clitics.Read(gfp_);
    EXPECT_EQ(clitics.ClassOf("na"), 1);
    EXPECT_EQ(clitics.ClassOf("je"), 3);
    EXPECT_EQ(clitics.ClassOf("hi{a"), 0);
    EXPECT_TRUE(clitics.GlueOnce());

    std::vector<std::string> items;
    EXPECT_EQ(gfp_.GetItems("gl_stevnik", '\t', items), 109);
    EXPECT_EQ(gfp_.GetItems("vrst_koren", '\t', items), 109);
    EXPECT_EQ(gfp_.GetItems("mesec", '\t', items), 12);
    std::vector<std::string> endings, results;
    EXPECT_EQ(gfp_.GetItems("nasl_konc", '\t', endings), gfp_.GetItems("vrst_konc", '\t', results));
    EXPECT_EQ(gfp_.GetItems("nasl_konc_mes", '\t', endings),
              gfp_.GetItems("vrst_konc_mes", '\t', results));
    for (const std::string& e : results) EXPECT_LE(e.size(), 7u) << e;
    EXPECT_GE(gfp_.GetItems("ure", '\t', items), 24);
    EXPECT_GE(gfp_.GetItems("ure_ob", '\t', items), 24);
    EXPECT_GE(gfp_.GetItems("ure_okoli", '\t', items), 24);
    EXPECT_GE(gfp_.GetItems("minute", '\t', items), 60);
    EXPECT_GE(gfp_.GetItems("sekunde", '\t', items), 60);
    EXPECT_EQ(gfp_.GetItems("okrajsave", '\t', items) % 2, 0);
}

TEST_F(VoiceData, RuleOutputsAreInventoryNames) {
    RuleList cross, rules;
    ASSERT_EQ(PrepareRules(gfp_, classes_, cross, rules), 0);
    for (const RuleList* list : {&rules, &cross}) {
        for (std::size_t i = 0; i < list->size(); ++i) {
            std::string bad;
            EXPECT_TRUE(Cuts((*list)[i].output, bad))
                << "rule " << i << " (" << (*list)[i].pattern << "): " << bad;
        }
    }
}

TEST_F(VoiceData, DictionaryPronunciationsAreInventoryNames) {
    const std::string text = testing::ReadFile(VoiceSource() + "slovarji/osnovni.dct");
    ASSERT_FALSE(text.empty());
    std::set<std::string> keys;
    std::size_t i = 0, lines = 0;
    while (i < text.size()) {
        const std::size_t end = text.find("\r\n", i);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        const std::string line = text.substr(i, end - i);
        i = end + 2;
        ++lines;
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_TRUE(keys.insert(line.substr(0, tab)).second) << "twice: " << line;
        std::string bad;
        EXPECT_TRUE(Cuts(line.substr(tab + 1), bad)) << line << ": " << bad;
    }
    EXPECT_GT(lines, 300u);
}

TEST_F(VoiceData, ProsodyProfilesShareTheInventory) {
    Profile mikro(VoiceSource() + "mikro.ini", false);
    Profile makro(VoiceSource() + "makro.ini", false);
    ASSERT_TRUE(mikro.IsLoaded());
    ASSERT_TRUE(makro.IsLoaded());
    // The converter's inventory was split by its reader: take its names.
    const std::vector<std::string>& a = inventory_.Names();
    std::vector<std::string> b;
    mikro.GetItems("Nabor_fonemov", '\t', b);
    EXPECT_EQ(a, b);
    std::string ca, cb;
    gfp_.GetString("Razvrstitev_fonemov", ca);
    mikro.GetString("Razvrstitev_fonemov", cb);
    EXPECT_EQ(ca, cb);

    std::string symbols, accents;
    ASSERT_TRUE(toCstring(makro.Find("Nabor_izhodnih_fonemov"), symbols));
    ASSERT_TRUE(toCstring(makro.Find("Nabor_naglasenosti"), accents));
    ASSERT_EQ(symbols.size(), a.size());
    ASSERT_EQ(accents.size(), a.size());
    // Output symbol and accent character name each phoneme uniquely, and
    // ':' marks exactly the stressed vowels.
    std::set<std::pair<char, char>> seen;
    for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_TRUE(seen.insert({symbols[k], accents[k]}).second) << a[k];
        EXPECT_EQ(accents[k] == ':', a[k].size() == 2 && a[k][1] == ':') << a[k];
    }
    std::vector<std::int32_t> constants;
    EXPECT_EQ(mikro.GetLongArray("Konstante", ' ', constants), 80);
}

// Every phoneme of the inventory, after the unit conversion's renaming,
// splitting and context variants, must be a name of the back end's table.
TEST_F(VoiceData, EveryPhonemeSurvivesTheUnitConversion) {
    std::vector<std::string> names = inventory_.Names();
    names.push_back("_");
    for (const std::string& name : names) {
        for (const char* before : {"", "a", "t"}) {
            std::vector<StageRecord> in;
            auto add = [&](std::string_view s) {
                StageRecord r{};
                SetSymbol(r.symbol, s);
                r.duration = 80;
                r.pitch = 110;
                in.push_back(r);
            };
            if (*before) add(before);
            add(name);
            add("a");
            std::vector<PhonemeRecord> out;
            ASSERT_GT(ConvertUnits(in, PitchSettings{110, 100, 0}, out), 0);
            for (const PhonemeRecord& r : out) {
                const std::string_view s = SymbolOf(r.symbol);
                if (s.empty()) continue;  // the terminator
                EXPECT_FALSE(ConvertSAMPA(s).empty())
                    << "phoneme " << name << " after <" << before << "> gives " << s;
            }
        }
    }
}

}  // namespace
}  // namespace tarvox
