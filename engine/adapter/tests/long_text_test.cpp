// Long texts whose clock times, signs, abbreviations and numbers grow when
// they are written out: every sentence is spoken, each as it sounds alone.
#include "adapter/tarvox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string kVoice = std::string(TARVOX_TEST_VOICES_DIR) + "/quenlar-orin";

struct Output {
    std::vector<std::int16_t> audio;
    std::vector<tarvox_event> sentences;
};

int OnAudio(void* user, const int16_t* samples, size_t n) {
    auto* o = static_cast<Output*>(user);
    o->audio.insert(o->audio.end(), samples, samples + n);
    return 0;
}
void OnEvent(void* user, const tarvox_event* e) {
    if (e->kind == TARVOX_EVENT_SENTENCE) static_cast<Output*>(user)->sentences.push_back(*e);
}

TEST(LongText, EverySentenceIsSpokenAsItSoundsAlone) {
    if (!std::filesystem::exists(kVoice + "/data/QuenlarOrin.dat")) GTEST_SKIP() << "no built voice";
    tarvox_voice* v = nullptr;
    ASSERT_EQ(tarvox_open(kVoice.c_str(), &v), TARVOX_OK) << tarvox_last_error(nullptr);
    // Each sentence written out is several times its length: the text is
    // many converter pieces' worth.
    const struct {
        std::string sentence;
        int count;
    } cases[] = {
        {"Ura je 8:15. ", 800},
        {"Cena je 5 € in 3 $. ", 700},
        {"Pride dr. Novak. ", 1000},
        {"Imam 2.500 EUR. ", 900},
    };
    for (const auto& c : cases) {
        std::string text;
        for (int i = 0; i < c.count; ++i) text += c.sentence;
        Output o;
        ASSERT_EQ(tarvox_speak(v, text.c_str(), nullptr, OnAudio, OnEvent, &o), TARVOX_OK);
        ASSERT_EQ(o.sentences.size(), static_cast<std::size_t>(c.count)) << c.sentence;
        // The sentences between the first and the last sound alike, sample
        // for sample (none cut short, none with its words left unread).
        const auto chunk = [&](std::size_t i) {
            return std::vector<std::int16_t>(o.audio.begin() + static_cast<std::ptrdiff_t>(o.sentences[i].sample),
                                             o.audio.begin() + static_cast<std::ptrdiff_t>(o.sentences[i + 1].sample));
        };
        const std::vector<std::int16_t> second = chunk(1);
        ASSERT_FALSE(second.empty());
        for (std::size_t i = 2; i + 1 < o.sentences.size(); ++i)
            ASSERT_EQ(chunk(i), second) << c.sentence << " sentence " << i;
    }
    tarvox_close(v);
}

}  // namespace
