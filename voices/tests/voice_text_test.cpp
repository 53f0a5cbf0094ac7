// The text normalisation of the voice "Quenlar Orin": numbers, ordinals and
// dates, clock times, units, abbreviations and acronyms read with the
// voice's own word lists, as a careful native speaker reads them. The
// expected texts are in the converter's letter code ("~" c-caron, "{"
// s-caron, "`" z-caron). Each reading is checked twice: through the text
// steps with the voice's word lists, and through the built voice's
// converter, as the engine reads a request.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "base/config.h"
#include "base/profile.h"
#include "gfp/gfp.h"
#include "lexicon/char_classes.h"
#include "support/test_files.h"
#include "text/abbreviations.h"
#include "text/context_reader.h"
#include "text/normaliser.h"
#include "text/numbers.h"
#include "text/time_expressions.h"

namespace tarvox {
namespace {

std::string VoiceSource() {
    const char* root = std::getenv("TARVOX_SOURCE_DIR");
    return std::string(root ? root : ".") + "/voices/quenlar-orin/";
}

class VoiceText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static Profile profile(VoiceSource() + "gfp.ini", false);
        ok_ = profile.IsLoaded() && classes_.Read(profile) == 0 && times_.Read(profile) == 0 &&
              abbreviations_.Read(profile) == 0 && numbers_.Read(profile) == 0 &&
              context_.Read(profile) == 0;
        // Capital forms of the hand-written dictionary (acronyms).
        const std::string dct = testing::ReadFile(VoiceSource() + "slovarji/osnovni.dct");
        std::size_t i = 0;
        while (i < dct.size()) {
            const std::size_t end = dct.find("\r\n", i);
            const std::string line = dct.substr(i, end - i);
            capitals_.insert(line.substr(0, line.find('\t')));
            if (end == std::string::npos) break;
            i = end + 2;
        }
    }
    void SetUp() override { ASSERT_TRUE(ok_); }

    static std::string Normalise(const std::string& text) {
        TextSteps steps{classes_, times_, abbreviations_, numbers_, {},
                        [](std::string_view w) { return capitals_.count(std::string(w)) > 0; },
                        FilterSwitches{}, false, &context_};
        std::string out;
        for (const std::string& s : NormaliseText(text, steps)) {
            if (!out.empty()) out += " | ";
            out += s;
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    }

    static inline bool ok_ = false;
    static inline CharClasses classes_;
    static inline TimeTables times_;
    static inline AbbreviationTable abbreviations_;
    static inline NumberTables numbers_;
    static inline ContextTables context_;
    static inline std::set<std::string> capitals_;
};

struct TextCase {
    const char* text;  // Windows-1250
    const char* normalised;
};

class VoiceTextGolden : public VoiceText, public ::testing::WithParamInterface<TextCase> {
protected:
    // The built voice's converter: the whole chain of the engine, with the
    // real dictionaries deciding which capital words are acronyms.
    static TGfp* Converter() {
        static std::unique_ptr<Configuration> config;
        static std::unique_ptr<TGfp> gfp;
        static bool tried = false;
        if (tried) return gfp.get();
        tried = true;
        const std::string dir = TARVOX_VOICE_BUILD_DIR;
        if (!std::filesystem::exists(dir + "/stat/vzn.out")) return nullptr;
        config = std::make_unique<Configuration>();
        config->SetBaseDirectory(dir);
        if (config->ProcessSintIni() != 0) return nullptr;
        try {
            gfp = std::make_unique<TGfp>(config->IniGfp(), *config);
        } catch (int) {
            gfp.reset();
        }
        return gfp.get();
    }

    static std::string NormaliseByConverter(TGfp& gfp, const std::string& text) {
        std::string out;
        for (int n = gfp.Convert(text.c_str(), true); n >= 0; n = gfp.Convert(nullptr, true)) {
            if (!out.empty()) out += " | ";
            out += gfp.NormalisedSentence();
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    }
};

TEST_P(VoiceTextGolden, ReadsEverydayText) {
    EXPECT_EQ(Normalise(GetParam().text), GetParam().normalised) << GetParam().text;
}

// The same readings through the converter of the built voice, as the
// engine reads a request.
TEST_P(VoiceTextGolden, ReadsEverydayTextThroughTheConverter) {
    TGfp* gfp = Converter();
    if (!gfp) GTEST_SKIP() << "the built voice (with its statistics tables) is missing";
    EXPECT_EQ(NormaliseByConverter(*gfp, GetParam().text), GetParam().normalised)
        << GetParam().text;
}

#include "voice_text_golden.inc"

}  // namespace
}  // namespace tarvox
