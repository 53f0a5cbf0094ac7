// The silence around a request's audio with the bundled voice: at most
// 10 ms before the first sound and 100 ms after the last with the voice's
// "obrezi_tisino", all of it without.
#include "adapter/tarvox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace {

const std::string kVoice = std::string(TARVOX_TEST_VOICES_DIR) + "/quenlar-orin";

struct Output {
    std::vector<std::int16_t> audio;
    std::vector<tarvox_event> events;
};

int OnAudio(void* user, const int16_t* samples, size_t n) {
    auto* o = static_cast<Output*>(user);
    o->audio.insert(o->audio.end(), samples, samples + n);
    return 0;
}
void OnEvent(void* user, const tarvox_event* e) { static_cast<Output*>(user)->events.push_back(*e); }

Output Speak(const std::string& voice_dir, const std::string& text) {
    Output o;
    tarvox_voice* v = nullptr;
    EXPECT_EQ(tarvox_open(voice_dir.c_str(), &v), TARVOX_OK) << tarvox_last_error(nullptr);
    if (!v) return o;
    EXPECT_EQ(tarvox_speak(v, text.c_str(), nullptr, OnAudio, OnEvent, &o), TARVOX_OK);
    tarvox_close(v);
    return o;
}

bool Audible(std::int16_t s) { return s > 64 || s < -64; }

// Samples of silence before the first sound and after the last.
std::pair<std::size_t, std::size_t> OuterSilence(const std::vector<std::int16_t>& a) {
    const auto first = std::find_if(a.begin(), a.end(), Audible);
    const auto last = std::find_if(a.rbegin(), a.rend(), Audible);
    return {static_cast<std::size_t>(first - a.begin()), static_cast<std::size_t>(last - a.rbegin())};
}

const char* const kTexts[] = {
    "Dobro",
    "Vlak za Maribor odpelje ob sedmih.",
    "Danes je lep dan. Sonce sije, ptice pojejo. Ali greš z nami na sprehod? Jutri bo deževalo.",
};

class Silence : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kVoice + "/data/QuenlarOrin.dat"))
            GTEST_SKIP() << "the bundled voice is not built";
    }
};

TEST_F(Silence, AtMostTenMsBeforeAndAHundredAfter) {
    for (const char* text : kTexts) {
        SCOPED_TRACE(text);
        const Output o = Speak(kVoice, text);
        ASSERT_FALSE(o.audio.empty());
        const auto [before, after] = OuterSilence(o.audio);
        EXPECT_LE(before, 160u);
        EXPECT_LE(after, 1600u);
        for (const tarvox_event& e : o.events) EXPECT_LE(e.sample, o.audio.size());
    }
}

// Without the voice's switch the audio is as rendered: the trimmed audio is
// the untrimmed one without its outer silence, and the events move with it.
TEST_F(Silence, TheSwitchOffKeepsEverySample) {
    tarvox::testing::TempDir dir;
    const auto copy = dir.path() / "voice";
    std::filesystem::copy(kVoice, copy, std::filesystem::copy_options::recursive);
    {
        std::string ini = tarvox::testing::ReadFile((copy / "sint.ini").string());
        const std::size_t at = ini.find("obrezi_tisino = true");
        ASSERT_NE(at, std::string::npos);
        ini.replace(at, 20, "obrezi_tisino = false");
        std::ofstream((copy / "sint.ini"), std::ios::trunc) << ini;
    }
    const std::string text = kTexts[2];
    const Output trimmed = Speak(kVoice, text);
    const Output whole = Speak(copy.string(), text);
    const auto [before, after] = OuterSilence(whole.audio);
    EXPECT_GT(before, 160u);
    EXPECT_GT(after, 1600u);
    ASSERT_GT(whole.audio.size(), trimmed.audio.size());
    // The engine hears silence before the volume doubles the samples.
    const auto loud = std::find_if(whole.audio.begin(), whole.audio.end(),
                                   [](std::int16_t s) { return s > 128 || s < -128; });
    const std::size_t cut = static_cast<std::size_t>(loud - whole.audio.begin()) - 160;
    ASSERT_LE(cut + trimmed.audio.size(), whole.audio.size());
    EXPECT_TRUE(std::equal(trimmed.audio.begin(), trimmed.audio.end(), whole.audio.begin() + static_cast<std::ptrdiff_t>(cut)));
    ASSERT_EQ(trimmed.events.size(), whole.events.size());
    for (std::size_t i = 0; i < whole.events.size(); ++i) {
        const std::uint64_t expected = std::min<std::uint64_t>(
            whole.events[i].sample > cut ? whole.events[i].sample - cut : 0, trimmed.audio.size());
        EXPECT_EQ(trimmed.events[i].sample, expected) << i;
        EXPECT_EQ(trimmed.events[i].kind, whole.events[i].kind);
    }
}

}  // namespace
