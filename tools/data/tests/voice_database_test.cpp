// The bundled voice's database, as built: 100 sentences' phoneme strings
// through the driver's prosody and waveform stages select every alophone
// and find their diphones recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/config.h"
#include "driver/diag.h"
#include "driver/sint.h"

namespace tarvox {
namespace {

std::vector<std::string> CheckSentences() {
    std::vector<std::string> lines;
    std::ifstream in(TARVOX_CHECK_PHONEMES);
    std::string line;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \r") != std::string::npos) lines.push_back(line);
    return lines;
}

TEST(BundledVoice, SentencesSelectEveryAlophoneAndFindTheirDiphones) {
    const std::string dir = TARVOX_VOICE_BUILD_DIR;
    if (!std::filesystem::exists(dir + "/data/QuenlarOrin.dat")) GTEST_SKIP() << "the voice is not built";
    const auto sentences = CheckSentences();
    ASSERT_GE(sentences.size(), 100u);

    Configuration config;
    config.SetBaseDirectory(dir);
    ASSERT_EQ(config.ProcessSintIni(), 0) << LastError();
    Sint sint(config);
    ASSERT_EQ(sint.InitSint(), 0) << LastError();
    ASSERT_TRUE(sint.InitPsola()) << LastError();

    int missing = 0, init_messages = 0;
    SetTraceHook([&](std::string_view text) {
        if (text.find("Diphone not found") != std::string_view::npos) ++missing;
        if (text.find("TPsola::Init") != std::string_view::npos) ++init_messages;
    });
    std::size_t joins = 0;
    int loudest = 0;
    for (const std::string& s : sentences) {
        ASSERT_EQ(sint.Prozodija(s.c_str()), 0) << s;
        joins += sint.OutputList().size() - 1;
        std::int32_t count = 0;
        const std::int16_t* samples = sint.SintezaGovoraStream(count);
        ASSERT_NE(samples, nullptr) << s;
        ASSERT_GT(count, 400 + 1600) << s;
        const std::span<const std::int16_t> audio(samples, static_cast<std::size_t>(count));
        int peak = 0;
        for (std::int16_t v : audio) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 1000) << "silent: " << s;
        loudest = std::max(loudest, peak);
    }
    SetTraceHook({});
    sint.ReleaseSint();
    EXPECT_GT(joins, 3000u);
    EXPECT_EQ(init_messages, 0);
    EXPECT_LT(missing * 100, static_cast<int>(joins)) << missing << " of " << joins << " joins";
    // The platform's default volume doubles the samples.
    EXPECT_LT(2 * loudest, 32760);
}

}  // namespace
}  // namespace tarvox
