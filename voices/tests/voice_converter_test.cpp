// The converter of the voice "Quenlar Orin" on everyday Slovenian text: the
// phoneme strings of hand-checked sentences are pinned here, so that any
// change to the rules, lists or dictionaries shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "base/profile.h"
#include "base/records.h"
#include "driver/unit_conversion.h"
#include "gfp/gfp.h"
#include "lexicon/sampa.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"

namespace tarvox {
namespace {

class VoiceConverter : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string dir = TARVOX_VOICE_BUILD_DIR;
        if (!std::filesystem::exists(dir + "/stat/vzn.out")) return;
        config_ = std::make_unique<Configuration>();
        config_->SetBaseDirectory(dir);
        if (config_->ProcessSintIni() != 0) return;
        try {
            gfp_ = std::make_unique<TGfp>(config_->IniGfp(), *config_);
        } catch (int) {
            gfp_.reset();
        }
        // The sentences below are written in the converter's letter code, so
        // they reach the word conversion as written.
        config_->switches().podpiraj_ascii7 = true;
    }
    static void TearDownTestSuite() {
        gfp_.reset();
        config_.reset();
    }
    void SetUp() override {
        if (!gfp_) GTEST_SKIP() << "the built voice (with its statistics tables) is missing";
    }

    // The phoneme strings of every sentence of a text, joined by " | ".
    static std::string Phonemes(const std::string& text) {
        std::string out;
        int n = gfp_->Convert(text.c_str(), true);
        while (n >= 0) {
            if (!out.empty()) out += " | ";
            std::string s = gfp_->Output();
            while (!s.empty() && s.back() == ' ') s.pop_back();
            out += s;
            n = gfp_->Convert(nullptr, true);
        }
        return out;
    }

    static std::unique_ptr<Configuration> config_;
    static std::unique_ptr<TGfp> gfp_;
};

std::unique_ptr<Configuration> VoiceConverter::config_;
std::unique_ptr<TGfp> VoiceConverter::gfp_;

struct Golden {
    const char* text;      // in the converter's letter code
    const char* phonemes;  // as the converter writes them
};

class VoiceGolden : public VoiceConverter, public ::testing::WithParamInterface<Golden> {};

TEST_P(VoiceGolden, ReadsAsANativeSpeakerWould) {
    EXPECT_EQ(Phonemes(GetParam().text), GetParam().phonemes) << GetParam().text;
}

TEST_F(VoiceConverter, LoadsWithDictionaries) {
    EXPECT_GT(gfp_->Dictionaries().Size(), 1000u);
}

// A capital Z-caron is a letter with its small partner: a name that begins
// with it and a word written in capitals read as the small letters would
// (Windows-1250 text, as the engine receives it: 0x8E capital, 0x9E small).
TEST_F(VoiceConverter, CapitalZCaronReadsLikeTheSmallOne) {
    EXPECT_EQ(Phonemes("\x8e" "iga ima \x8e" "ABO."), Phonemes("\x9e" "iga ima \x9e" "abo."));
    EXPECT_EQ(Phonemes("\x8e" "iga je tu."), ". Zi:gajE tu: .");
    EXPECT_EQ(Phonemes("\x8e" "ABA."), ". Za:ba .");
}

// Each sentence's end as a place in the text as given, although its
// abbreviations and clock times were written out before the division: every
// end falls between the sentence's last word and the next sentence's first.
TEST_F(VoiceConverter, SentenceEndsAreFoundInTheTextAsGiven) {
    const std::string text =
        "Npr. dr. Novak pride ob 12.30 domov. Potem gre itd. spat! Jutri ob 8h je konec.";
    std::vector<std::size_t> ends;
    for (int n = gfp_->Convert(text.c_str(), true); n >= 0; n = gfp_->Convert(nullptr, true))
        ends.push_back(gfp_->InputConsumed());
    ASSERT_EQ(ends.size(), 3u) << Phonemes(text);
    const std::pair<const char*, const char*> around[] = {
        {"domov.", "Potem"}, {"spat!", "Jutri"}, {"konec.", nullptr}};
    for (std::size_t k = 0; k < ends.size(); ++k) {
        SCOPED_TRACE(k);
        const std::size_t last = text.find(around[k].first) + std::string(around[k].first).size();
        const std::size_t next = around[k].second ? text.find(around[k].second) : text.size();
        EXPECT_GE(ends[k], last);
        EXPECT_LE(ends[k], next);
    }
}

// The words that the macro prosody treats apart (intonation centres and
// pauses before words) are written in makro.ini as the converter writes
// them; otherwise they would never match.
TEST_F(VoiceConverter, MacroProsodyExceptionsMatchTheConverter) {
    Profile makro(config_->IniMakro(), false);
    ASSERT_TRUE(makro.IsLoaded());
    std::vector<std::string> centres, pauses;
    makro.GetItems("izjeme_tez", ' ', centres);
    makro.GetItems("Izjeme_pre", ' ', pauses);
    const std::pair<const char*, const char*> words[] = {
        {"kdo", "gdo:"},     {"kaj", "ka:j"},       {"kje", "kje:"},     {"kdaj", "gda:j"},
        {"kam", "ka:m"},     {"zakaj", "zaka:j"},   {"kako", "kako:"},   {"koliko", "ko:likO"},
        {"kateri", "kate:ri"}, {"katera", "kate:ra"}, {"katero", "kate:rO"},
        {"kdo je", "gdo:jE"}, {"kaj je", "ka:jjE"},  {"zakaj je", "zaka:jjE"},
        {"ampak", "a:mpak"}, {"vendar", "vEnda:r"}, {"toda", "to:da"},
        {"temve~", "tEFve:tS"}, {"oziroma", "OzirO:ma"}};
    for (const auto& [text, phonemes] : words) {
        EXPECT_EQ(Phonemes(std::string(text) + " ."), std::string(". ") + phonemes + " .") << text;
        const bool listed = std::find(centres.begin(), centres.end(), phonemes) != centres.end() ||
                            std::find(pauses.begin(), pauses.end(), phonemes) != pauses.end();
        EXPECT_TRUE(listed) << phonemes;
    }
}

// Every golden sentence runs on through both prosody stages and the unit
// conversion: every punctuation mark has a place, every phoneme a duration,
// and every unit a name that the back end knows.
TEST_P(VoiceGolden, RunsThroughProsodyAndUnitConversion) {
    const std::string phonemes = Phonemes(GetParam().text);
    TMikro mikro(config_->IniMikro(), gfp_->Phonology());
    TMakro makro(config_->IniMakro(), gfp_->Phonology());
    mikro.Reset(0);
    ClearError();
    ASSERT_EQ(mikro.Run(phonemes.c_str(), 0), 0) << LastError();
    EXPECT_EQ(LastError().find("Napaka"), std::string::npos) << LastError();
    ASSERT_EQ(makro.Run(mikro.Records()), 0) << LastError();
    std::vector<StageRecord> records(makro.Records().begin(), makro.Records().end());
    for (const StageRecord& r : records) {
        if (SymbolOf(r.symbol) == "_") continue;
        EXPECT_GT(r.duration, 20) << SymbolOf(r.symbol) << " in " << phonemes;
    }
    std::vector<PhonemeRecord> units;
    ASSERT_GT(ConvertUnits(records, PitchSettings{106, 100, 0}, units), 0);
    for (const PhonemeRecord& u : units) {
        const std::string_view s = SymbolOf(u.symbol);
        if (s.empty()) continue;  // the terminator
        EXPECT_FALSE(ConvertSAMPA(s).empty()) << s << " in " << phonemes;
        // Voiced units carry a male speaker's pitch.
        static const std::string_view kVoiceless[] = {"_", "-", "p", "t", "k", "s", "S", "f", "h"};
        if (std::find(std::begin(kVoiceless), std::end(kVoiceless), s) == std::end(kVoiceless)) {
            EXPECT_GT(u.pitch_mid, 60) << s << " in " << phonemes;
            EXPECT_LT(u.pitch_mid, 200) << s << " in " << phonemes;
        }
    }
}

#include "voice_golden.inc"

}  // namespace
}  // namespace tarvox
