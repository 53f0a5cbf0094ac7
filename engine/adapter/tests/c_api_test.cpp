#include "adapter/tarvox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapter/c_api_internal.h"
#include "driver/default_stages.h"
#include "driver/standin_stages.h"
#include "support/test_files.h"

namespace tarvox {
namespace {

// Every millisecond of every unit becomes 16 samples of 1000.
class LevelWave final : public IWaveGenerator {
public:
    int Run(std::span<const PhonemeRecord> units) override {
        long ms = 0;
        for (const PhonemeRecord& r : units) ms += r.duration;
        samples_.assign(static_cast<std::size_t>(ms) * 16, 1000);
        return 0;
    }
    std::span<const std::int16_t> Samples() const override { return samples_; }

private:
    std::vector<std::int16_t> samples_;
};

struct Capture {
    std::vector<std::int16_t> audio;
    std::vector<tarvox_event> events;
    std::vector<std::string> names;
    int stop_after_pieces = -1;
    int pieces = 0;
};

int OnAudio(void* user, const int16_t* samples, size_t n) {
    auto* c = static_cast<Capture*>(user);
    c->audio.insert(c->audio.end(), samples, samples + n);
    return ++c->pieces == c->stop_after_pieces;
}

void OnEvent(void* user, const tarvox_event* e) {
    auto* c = static_cast<Capture*>(user);
    c->events.push_back(*e);
    c->names.push_back(e->name ? e->name : "");
}

class CApiTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() { SetStagesOfNewVoices(DefaultStages()); }
    static void SetUpTestSuite() {
        StageFactory f;
        f.converter = [](const Configuration&) { return MakeStandInConverter(); };
        f.micro = [](const Configuration&, IConverter&) { return MakeStandInMicro(); };
        f.macro = [](const Configuration&, IConverter&) { return MakeStandInMacro(); };
        f.wave = [](const Configuration&) { return std::make_unique<LevelWave>(); };
        SetStagesOfNewVoices(f);
    }
    void SetUp() override {
        dir.Write("sint.ini",
                  "ini_mikro = m.ini\nini_makro = k.ini\nini_gfp = g.ini\ndct_dir = d\n"
                  "stat_dir = s\nlog_dir = log\nport = 1\npisi_dnevnik = false\n");
        ASSERT_EQ(tarvox_open(dir.path().c_str(), &voice), TARVOX_OK) << tarvox_last_error(nullptr);
    }
    void TearDown() override { tarvox_close(voice); }

    testing::TempDir dir;
    tarvox_voice* voice = nullptr;
};

TEST_F(CApiTest, SpeaksSentenceBySentenceWithEventsInAudioOrder) {
    Capture c;
    const std::string text = "Ena dva. Tri čez pet.";
    ASSERT_EQ(tarvox_speak(voice, text.c_str(), nullptr, OnAudio, OnEvent, &c), TARVOX_OK);
    ASSERT_FALSE(c.audio.empty());
    EXPECT_EQ(c.audio[0], 2000);  // volume 100 doubles
    std::vector<std::string> words;
    int sentences = 0;
    std::uint64_t last = 0;
    for (const tarvox_event& e : c.events) {
        EXPECT_GE(e.sample, last);
        EXPECT_LE(e.sample, c.audio.size());
        last = e.sample;
        if (e.kind == TARVOX_EVENT_SENTENCE) ++sentences;
        if (e.kind == TARVOX_EVENT_WORD) words.push_back(text.substr(e.text_position, e.text_length));
    }
    EXPECT_EQ(sentences, 2);
    EXPECT_EQ(words, (std::vector<std::string>{"Ena", "dva.", "Tri", "čez", "pet."}));
}

TEST_F(CApiTest, MarksArriveAtTheirPlace) {
    Capture c;
    const std::string text = "Prvi stavek. Drugi stavek.";
    const tarvox_mark marks[] = {{13, "__spd_id_2"}, {0, "__spd_id_1"}};
    ASSERT_EQ(tarvox_speak_marked(voice, text.c_str(), marks, 2, nullptr, OnAudio, OnEvent, &c),
              TARVOX_OK);
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < c.events.size(); ++i)
        if (c.events[i].kind == TARVOX_EVENT_MARK) seen.push_back(c.names[i]);
    EXPECT_EQ(seen, (std::vector<std::string>{"__spd_id_1", "__spd_id_2"}));
}

TEST_F(CApiTest, StopEndsWithinTheCurrentSentence) {
    std::string text;
    for (int i = 0; i < 50; ++i) text += "Stavek stevilka ena. ";
    Capture all;
    ASSERT_EQ(tarvox_speak(voice, text.c_str(), nullptr, OnAudio, nullptr, &all), TARVOX_OK);
    Capture c;
    c.stop_after_pieces = 3;
    ASSERT_EQ(tarvox_speak(voice, text.c_str(), nullptr, OnAudio, nullptr, &c), TARVOX_OK);
    EXPECT_EQ(c.pieces, 3);
    EXPECT_LT(c.audio.size(), all.audio.size() / 10);
}

TEST_F(CApiTest, SettingsAreChecked) {
    Capture c;
    const tarvox_settings loud{0, 0, 101};
    EXPECT_EQ(tarvox_speak(voice, "a b", &loud, OnAudio, nullptr, &c), TARVOX_ERR_ARGUMENT);
    EXPECT_STRNE(tarvox_last_error(voice), "");
    const tarvox_settings half{0, 0, 50};
    ASSERT_EQ(tarvox_speak(voice, "a b", &half, OnAudio, nullptr, &c), TARVOX_OK);
    EXPECT_EQ(c.audio.back(), 1000);
    EXPECT_EQ(tarvox_speak(nullptr, "a", nullptr, nullptr, nullptr, nullptr), TARVOX_ERR_ARGUMENT);
}

TEST_F(CApiTest, SeveralVoiceDirectoriesAtOnce) {
    testing::TempDir other;
    other.Write("sint.ini",
                "ini_mikro = m.ini\nini_makro = k.ini\nini_gfp = g.ini\ndct_dir = d\n"
                "stat_dir = s\nlog_dir = log\nport = 1\npisi_dnevnik = false\n");
    tarvox_voice* v = nullptr;
    ASSERT_EQ(tarvox_open(other.path().c_str(), &v), TARVOX_OK) << tarvox_last_error(nullptr);
    tarvox_voice* same = nullptr;
    ASSERT_EQ(tarvox_open((dir.path() / ".").c_str(), &same), TARVOX_OK);
    tarvox_close(same);
    Capture a, b;
    EXPECT_EQ(tarvox_speak(voice, "Se vedno.", nullptr, OnAudio, nullptr, &a), TARVOX_OK);
    EXPECT_EQ(tarvox_speak(v, "Se vedno.", nullptr, OnAudio, nullptr, &b), TARVOX_OK);
    EXPECT_FALSE(a.audio.empty());
    EXPECT_EQ(a.audio, b.audio);
    tarvox_close(v);
}

TEST(CApiOpen, MissingOrBadVoiceDirectory) {
    tarvox_voice* v = nullptr;
    EXPECT_EQ(tarvox_open("/nonexistent/voice", &v), TARVOX_ERR_VOICE);
    EXPECT_NE(std::string(tarvox_last_error(nullptr)).find("not found"), std::string::npos);
    testing::TempDir empty;
    EXPECT_EQ(tarvox_open(empty.path().c_str(), &v), TARVOX_ERR_VOICE);
    EXPECT_EQ(v, nullptr);
    EXPECT_EQ(tarvox_open(nullptr, &v), TARVOX_ERR_ARGUMENT);
}

}  // namespace
}  // namespace tarvox
