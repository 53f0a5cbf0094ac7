// Everyday Slovenian as the voice "Quenlar Orin" reads it: numbers with the
// words around them, thousands and millions, decimals, ordinals and dates,
// units, currencies, abbreviations, acronyms and foreign letters. The
// sentences and their readings are in reading_golden.txt (UTF-8, grouped by
// category): a sentence line, then the reading a native speaker gives (the
// text as it reaches word conversion) and the phoneme string, each indented
// by two blanks. The sentences go through the built voice's converter as a
// request does: converted from UTF-8 with the voice's readings of the
// characters beyond Windows-1250.
//
// TARVOX_GOLDEN_WRITE=FILE writes the file again with the readings and
// phonemes the converter gives now (to review a change line by line).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "base/records.h"
#include "driver/unit_conversion.h"
#include "gfp/gfp.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"
#include "support/test_files.h"
#include "text/codepage.h"

namespace tarvox {
namespace {

std::string SourceDir() {
    const char* root = std::getenv("TARVOX_SOURCE_DIR");
    return std::string(root ? root : ".") + "/voices/tests/";
}

struct Entry {
    std::string category;
    std::string text;
    std::string reading;
    std::string phonemes;
    int line = 0;
};

std::vector<Entry> ReadGolden(const std::string& path) {
    std::vector<Entry> entries;
    std::ifstream in(path);
    std::string line, category;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') {
            if (line.rfind("## ", 0) == 0) category = line.substr(3);
            continue;
        }
        if (line.rfind("  ", 0) == 0) {
            if (entries.empty()) continue;
            Entry& e = entries.back();
            (e.reading.empty() ? e.reading : e.phonemes) = line.substr(2);
            continue;
        }
        entries.push_back({category, line, {}, {}, number});
    }
    return entries;
}

// The converter's letter code as UTF-8 text, for reading it.
std::string Letters(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '~': out += "\xc4\x8d"; break;
            case '^': out += "\xc4\x8c"; break;
            case '{': out += "\xc5\xa1"; break;
            case '[': out += "\xc5\xa0"; break;
            case '`': out += "\xc5\xbe"; break;
            case '@': out += "\xc5\xbd"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string Trim(std::string s) {
    if (s.rfind(". ", 0) == 0) s.erase(0, 2);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

class VoiceReading : public ::testing::Test {
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
    }
    static void TearDownTestSuite() {
        gfp_.reset();
        config_.reset();
    }
    void SetUp() override {
        if (!gfp_) GTEST_SKIP() << "the built voice (with its statistics tables) is missing";
    }

    // Reading and phonemes of a UTF-8 text, sentences joined by " | ".
    static std::pair<std::string, std::string> Read(const std::string& utf8) {
        const std::string text = Utf8ToEngineText(utf8, &gfp_->CodePoints());
        std::string reading, phonemes;
        for (int n = gfp_->Convert(text.c_str(), true); n >= 0; n = gfp_->Convert(nullptr, true)) {
            if (!reading.empty()) {
                reading += " | ";
                phonemes += " | ";
            }
            reading += Letters(Trim(std::string(gfp_->NormalisedSentence())));
            phonemes += Trim(gfp_->Output());
        }
        return {reading, phonemes};
    }

    static inline std::unique_ptr<Configuration> config_;
    static inline std::unique_ptr<TGfp> gfp_;
};

TEST_F(VoiceReading, GoldenSentences) {
    const std::vector<Entry> entries = ReadGolden(SourceDir() + "reading_golden.txt");
    EXPECT_GE(entries.size(), 300u);
    std::map<std::string, int> per_category;
    std::ostringstream rewritten;
    std::string category;
    for (const Entry& e : entries) {
        ++per_category[e.category];
        const auto [reading, phonemes] = Read(e.text);
        EXPECT_EQ(reading, e.reading) << "line " << e.line << ": " << e.text;
        EXPECT_EQ(phonemes, e.phonemes) << "line " << e.line << ": " << e.text;
        if (e.category != category) {
            category = e.category;
            rewritten << "\n## " << category << "\n";
        }
        rewritten << e.text << "\n  " << reading << "\n  " << phonemes << "\n";
    }
    for (const auto& [name, count] : per_category) {
        SCOPED_TRACE(name);
        EXPECT_GE(count, 10);
    }
    if (const char* path = std::getenv("TARVOX_GOLDEN_WRITE")) {
        std::ofstream out(path);
        out << "# Hand-written Slovenian sentences (made up for this project), each\n"
               "# followed by the reading a native speaker gives and its phonemes.\n"
            << rewritten.str();
    }
}


// A profile without the keys of reading in context, of the characters
// beyond the code page and of the acronyms' letter names reads as before:
// the voice's own profile with those lists cut off, on text that each of
// them would read differently.
TEST_F(VoiceReading, ProfileWithoutTheNewKeysReadsAsBefore) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    const fs::path voice = TARVOX_VOICE_BUILD_DIR;
    for (const char* sub : {"stat", "slovarji", "log", "data"}) {
        fs::create_directories(dir.path() / sub);
        for (const auto& f : fs::directory_iterator(voice / sub))
            if (f.path().extension() != ".dat")  // not the recordings
                fs::copy_file(f.path(), dir.path() / sub / f.path().filename());
    }
    for (const char* file : {"sint.ini", "mikro.ini", "makro.ini"}) fs::copy_file(voice / file, dir.path() / file);
    std::string profile = testing::ReadFile((voice / "gfp.ini").string());
    const std::size_t cut = profile.rfind("# ----", profile.find("beri_v_sobesedilu"));
    ASSERT_NE(cut, std::string::npos);
    profile.resize(cut);
    dir.Write("gfp.ini", profile);

    Configuration config;
    config.SetBaseDirectory(dir.dir());
    ASSERT_EQ(config.ProcessSintIni(), 0);
    TGfp gfp(config.IniGfp(), config);
    EXPECT_FALSE(gfp.CodePoints().Present());
    // Windows-1250 text, as the engine received it before.
    const std::pair<const char*, const char*> cases[] = {
        {"Mesto ima 1.000 ljudi.", ". mesto ima ena \" ni~ ni~ ni~ ljudi ."},
        {"Je -5 stopinj.", ". je \\ pet stopinj ."},
        {"Rast je 3,5 %.", ". rast je tri ' pet % ."},
        {"Imam 2 h\xe8" "eri in 1234567 ovac.", ". imam dva h~eri in ena dva tri {tiri pet {est sedem ovac ."},
        {"Gospod M\xfc" "ller in 5 \xb0" "C.", ". gospod mller in pet stopinj celzija ."},
        {"Z dr. Novakom, str. 5.", ". z doktor novakom , stran pet ."},
        {"Stranka SDS je 2. v 1. 9.", ". stranka SDS je drugi v prvi devet ."},
        {"Karel IV. je bil.", ". karel  # I # V # . | . je bil ."},
        {"Ana M. je bila.", ". ana  # M # . | . je bila ."},
    };
    for (const auto& [text, reading] : cases) {
        std::string out;
        for (int n = gfp.Convert(text, true); n >= 0; n = gfp.Convert(nullptr, true)) {
            if (!out.empty()) out += " | ";
            std::string s(gfp.NormalisedSentence());
            while (!s.empty() && s.back() == ' ') s.pop_back();
            out += s;
        }
        EXPECT_EQ(out, reading) << text;
    }
}

// Random text, as UTF-8 and as arbitrary bytes, through the converter, both
// prosody stages and the unit conversion: no failure, and something to say
// for every text that has a letter or a digit. TARVOX_FUZZ_TEXTS sets how
// many (a sanitizer run takes 100000), TARVOX_FUZZ_SEED the random seed.
TEST_F(VoiceReading, RandomTextsRunThroughTheWholeChain) {
    const char* count_env = std::getenv("TARVOX_FUZZ_TEXTS");
    const int count = count_env ? std::atoi(count_env) : 400;
    const char* seed_env = std::getenv("TARVOX_FUZZ_SEED");  // to run parts side by side
    std::mt19937 random(seed_env ? static_cast<unsigned>(std::atoi(seed_env)) : 19u);
    // Characters the steps react to, and some from every script the voice
    // reads.
    const std::u32string interesting =
        U"0123456789.,:;-+%/ \n  abcdefghijklmnoprstuvzABCDEFGHIJKLMNOPRSTUVZ"
        U"\u010d\u0161\u017e\u010c\u0160\u017d\u00fc\u00f6\u00e4\u00df\u0142\u0159\u00f8"
        U"\u0416\u0449\u044f\u03bb\u03cc\u2212\u00b0\u00b2\u20ac$\u00a3\U0001F600\U0001F984\u200d\ufe0f"
        U"IVXLCDM";
    const std::string words[] = {"dr. ", "sv. ", "ga. ", "l. ", "mio. ", "mrd. ", "EUR ", "km/h ", "m2 ",
                                 "pred ", "z ", "do ", "od ", "in ", "NATO ", "SDS "};
    TMikro mikro(config_->IniMikro(), gfp_->Phonology());
    TMakro makro(config_->IniMakro(), gfp_->Phonology());
    for (int round = 0; round < count; ++round) {
        std::string text;
        const std::size_t length = random() % 300;
        if (round % 2 == 0) {
            std::string utf8;
            for (std::size_t k = 0; k < length; ++k) {
                if (random() % 8 == 0) utf8 += words[random() % std::size(words)];
                else if (random() % 16 == 0) AppendUtf8(utf8, static_cast<char32_t>(random() % 0x30000));
                else AppendUtf8(utf8, interesting[random() % interesting.size()]);
            }
            text = Utf8ToEngineText(utf8, &gfp_->CodePoints());
        } else {
            std::string bytes(length, ' ');
            for (char& c : bytes) c = static_cast<char>(random() % 256);
            text = IsValidUtf8(bytes) ? Utf8ToEngineText(bytes, &gfp_->CodePoints()) : Cp1250ToEngineText(bytes);
        }
        ASSERT_EQ(text.find('\0'), std::string::npos);
        bool readable = false;
        for (char c : text)
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) readable = true;
        std::size_t phonemes = 0;
        for (int n = gfp_->Convert(text.c_str(), true); n >= 0; n = gfp_->Convert(nullptr, true)) {
            const std::string out = gfp_->Output();
            mikro.Reset(0);
            if (mikro.Run(out.c_str(), 0) != 0) continue;
            if (makro.Run(mikro.Records()) != 0) continue;
            std::vector<StageRecord> records(makro.Records().begin(), makro.Records().end());
            std::vector<PhonemeRecord> units;
            if (ConvertUnits(records, PitchSettings{106, 100, 0}, units) > 0) phonemes += units.size();
        }
        if (readable) {
            EXPECT_GT(phonemes, 0u) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace tarvox
