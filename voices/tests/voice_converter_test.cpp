// The converter of the voice "Quenlar Orin" on everyday Slovenian text: the
// phoneme strings of hand-checked sentences are pinned here, so that any
// change to the rules, lists or dictionaries shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "driver/config.h"
#include "driver/diag.h"
#include "gfp/gfp.h"

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

#include "voice_golden.inc"

}  // namespace
}  // namespace tarvox
