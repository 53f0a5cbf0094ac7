// The text normalisation of the voice "Quenlar Orin": numbers, ordinals and
// dates, clock times, units, abbreviations and acronyms read with the
// voice's own word lists, as a careful native speaker reads them. The
// expected texts are in the converter's letter code ("~" c-caron, "{"
// s-caron, "`" z-caron).
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "driver/profile.h"
#include "lexicon/char_classes.h"
#include "support/test_files.h"
#include "text/abbreviations.h"
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
              abbreviations_.Read(profile) == 0 && numbers_.Read(profile) == 0;
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
                        FilterSwitches{}, false};
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
    static inline std::set<std::string> capitals_;
};

struct TextCase {
    const char* text;  // Windows-1250
    const char* normalised;
};

class VoiceTextGolden : public VoiceText, public ::testing::WithParamInterface<TextCase> {};

TEST_P(VoiceTextGolden, ReadsEverydayText) {
    EXPECT_EQ(Normalise(GetParam().text), GetParam().normalised) << GetParam().text;
}

#include "voice_text_golden.inc"

}  // namespace
}  // namespace tarvox
