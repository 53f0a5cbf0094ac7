#include "engine_speaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "adapter/class_factory.h"
#include "adapter/tts_engine.h"
#include "driver/instance.h"
#include "driver/request.h"
#include "support/test_files.h"
#include "text/text_pieces.h"
#include "wav_writer.h"

namespace tarvox::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string kVoice = TARVOX_TEST_VOICE;
constexpr char kSentence[] = "Dober dan, kako ste?";

// One engine of the bundled voice with its own configuration and driver,
// and the class factory over it.
struct Voice {
    EngineInstance engine;
    EngineHost host{engine};
    EngineClassFactory factory{host};
};

struct Spoken {
    SpeakOutcome outcome;
    std::vector<std::int16_t> samples;
    std::vector<SpokenEvent> events;
};

Spoken Say(Voice& v, std::string_view text, SpeakSettings s = {},
           std::vector<Bookmark> marks = {}) {
    s.voice_dir = kVoice;
    Spoken out;
    out.outcome = SpeakThroughEngine(
        v.factory, s, text, marks,
        [&](std::span<const std::int16_t> p) {
            out.samples.insert(out.samples.end(), p.begin(), p.end());
            return true;
        },
        [&](const SpokenEvent& e) { out.events.push_back(e); });
    return out;
}

// The driver's request alone, the samples doubled at volume 100.
std::vector<std::int16_t> SayThroughDriver(std::string_view utf8) {
    struct Collect final : RequestSink {
        std::vector<std::int16_t> out;
        bool Event(const RequestEvent&) override { return true; }
        bool Audio(std::span<const std::int16_t> samples) override {
            for (std::int16_t s : samples)
                out.push_back(static_cast<std::int16_t>(std::clamp(s * 200L / 100, -32766L, 32766L)));
            return true;
        }
    } sink;
    EngineInstance engine;
    EXPECT_TRUE(engine.Start(kVoice, true).ok());
    Speak(engine, RequestText::FromUtf8(utf8), RequestSettings{}, sink);
    return sink.out;
}

TEST(EngineSpeakerTest, SameAudioAsTheDriverPathAtDefaultSettings) {
    const char* texts[] = {
        kSentence,
        "Danes je lep dan. Jutri bo deževalo, pravijo.",
        "Ura je 12.30, vlak pelje ob 7h.\n\nNov odstavek: šč ž!",
        "Npr. dr. Novak pride ob 12.30 domov. Potem gre itd. spat! ? Konec.",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const std::vector<std::int16_t> before = SayThroughDriver(text);
        Voice v;
        const Spoken now = Say(v, text);
        ASSERT_EQ(now.outcome.error, "");
        EXPECT_GT(before.size(), 8000u);
        EXPECT_EQ(now.samples.size(), before.size());
        EXPECT_TRUE(now.samples == before);
        EXPECT_EQ(now.outcome.audio_bytes, 2 * now.samples.size());
    }
}

// A text longer than the converter's buffer is one request: the audio is
// the driver's, and the events run in order over the whole audio.
TEST(EngineSpeakerTest, LongTextInOneRequest) {
    const std::string line = "Vrstica za dolgo besedilo, ki ga beremo.\n";
    ASSERT_NE(kConverterTextLimit % line.size(), 0u);
    std::string text;
    while (text.size() < kConverterTextLimit * 5 / 4) text += line;
    const std::vector<std::int16_t> before = SayThroughDriver(text);
    Voice v;
    const Spoken now = Say(v, text, {}, {{text.size(), "konec"}});
    ASSERT_EQ(now.outcome.error, "");
    EXPECT_TRUE(now.samples == before);
    const std::size_t words = text.size() / line.size() * 7;
    ASSERT_EQ(now.events.size(), words + 1);
    for (std::size_t i = 1; i < words; ++i) {
        ASSERT_GT(now.events[i].position, now.events[i - 1].position);
        ASSERT_GE(now.events[i].offset, now.events[i - 1].offset);
    }
    EXPECT_LT(now.events[words - 1].offset, now.outcome.audio_bytes);
    EXPECT_EQ(now.events.back().name, "konec");
}

TEST(EngineSpeakerTest, WordEventsInOrderAndWithinTheAudio) {
    Voice v;
    const Spoken s = Say(v, kSentence);
    ASSERT_EQ(s.outcome.error, "");
    const std::vector<std::pair<std::int64_t, std::int64_t>> words = {
        {0, 5}, {6, 4}, {11, 4}, {16, 4}};
    ASSERT_EQ(s.events.size(), words.size());
    std::uint64_t last = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const SpokenEvent& e = s.events[i];
        EXPECT_EQ(e.kind, "word");
        EXPECT_EQ(e.position, words[i].first);
        EXPECT_EQ(e.length, words[i].second);
        EXPECT_GE(e.offset, last);
        EXPECT_LT(e.offset, s.outcome.audio_bytes);
        last = e.offset;
    }
    EXPECT_EQ(s.events[0].offset, 0u);
    EXPECT_GT(s.events[3].offset, s.outcome.audio_bytes / 2);
}

TEST(EngineSpeakerTest, BookmarksReportedBetweenTheirWords) {
    Voice v;
    const Spoken s = Say(v, kSentence, {}, {{11, "7 vprasanje"}, {0, "zacetek"}, {20, "konec"}});
    ASSERT_EQ(s.outcome.error, "");
    std::vector<std::string> order;
    for (const SpokenEvent& e : s.events)
        order.push_back(e.kind == "word" ? std::to_string(e.position) : e.name);
    EXPECT_EQ(order, (std::vector<std::string>{"zacetek", "0", "6", "7 vprasanje", "11", "16",
                                               "konec"}));
    const auto mark = std::find_if(s.events.begin(), s.events.end(),
                                   [](const SpokenEvent& e) { return e.name == "7 vprasanje"; });
    ASSERT_NE(mark, s.events.end());
    EXPECT_EQ(mark->position, 11);
    EXPECT_LE(mark->offset, std::next(mark)->offset);
    EXPECT_GE(mark->offset, std::prev(mark)->offset);
    EXPECT_LE(s.events.back().offset, s.outcome.audio_bytes);
    EXPECT_EQ(FormatEvent(*mark), std::to_string(mark->offset) + " bookmark 11 0 7 vprasanje");
}

TEST(EngineSpeakerTest, BookmarkOnlyRequestGivesItsSilence) {
    Voice v;
    const Spoken s = Say(v, "", {}, {{0, "sam"}});
    ASSERT_EQ(s.outcome.error, "");
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].name, "sam");
    EXPECT_EQ(s.samples, std::vector<std::int16_t>(1024, 0));
}

TEST(EngineSpeakerTest, RateChangesTheLength) {
    Voice v;
    std::vector<std::size_t> lengths;
    for (int rate : {-6, 0, 6}) {
        SpeakSettings s;
        s.rate = rate;
        lengths.push_back(Say(v, kSentence, s).samples.size());
    }
    EXPECT_GT(lengths[0], lengths[1] * 11 / 10);
    EXPECT_LT(lengths[2] * 11 / 10, lengths[1]);
}

TEST(EngineSpeakerTest, VolumeScalesTheSamples) {
    Voice v;
    auto at = [&](int volume) {
        SpeakSettings s;
        s.volume = volume;
        return Say(v, kSentence, s).samples;
    };
    const std::vector<std::int16_t> half = at(50), full = at(100), none = at(0);
    ASSERT_EQ(half.size(), full.size());
    ASSERT_EQ(none.size(), full.size());
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](std::int16_t x) { return x == 0; }));
    for (std::size_t i = 0; i < full.size(); ++i)
        ASSERT_EQ(full[i], std::clamp(2 * half[i], -32766, 32766)) << "sample " << i;
    EXPECT_TRUE(std::any_of(half.begin(), half.end(), [](std::int16_t x) { return x > 1000; }));
}

TEST(EngineSpeakerTest, PitchReachesTheVoice) {
    Voice v;
    SpeakSettings high;
    high.pitch = 8;
    EXPECT_NE(Say(v, kSentence, high).samples, Say(v, kSentence).samples);
}

TEST(EngineSpeakerTest, ErrorsAreReported) {
    Voice v;
    SpeakSettings s;
    s.voice_dir = "/nonexistent/voice";
    const SpeakOutcome missing = SpeakThroughEngine(v.factory, s, kSentence, {}, {}, {});
    EXPECT_NE(missing.error.find("cannot start the voice in /nonexistent/voice"), std::string::npos)
        << missing.error;
    const Bookmark past[] = {{21, "x"}};
    EXPECT_NE(Say(v, kSentence, {}, {past[0]}).outcome.error.find("past the end"),
              std::string::npos);
    // A sink that fails stops the request.
    s.voice_dir = kVoice;
    int pieces = 0;
    const SpeakOutcome stopped = SpeakThroughEngine(
        v.factory, s, kSentence, {},
        [&](std::span<const std::int16_t>) { return ++pieces < 2; }, {});
    EXPECT_NE(stopped.error.find("speaking stopped"), std::string::npos);
    EXPECT_EQ(pieces, 2);
}

TEST(EngineSpeakerTest, BookmarkSpecs) {
    struct Case {
        const char* spec;
        bool ok;
        std::size_t position;
        const char* name;
    };
    const Case cases[] = {
        {"5:tocka", true, 5, "tocka"}, {"0:a:b", true, 0, "a:b"}, {"12: x", true, 12, " x"},
        {"5:", false, 0, ""},          {":x", false, 0, ""},      {"x:y", false, 0, ""},
        {"-1:y", false, 0, ""},        {"5", false, 0, ""},       {"5a:y", false, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        const auto b = ParseBookmark(c.spec);
        ASSERT_EQ(b.has_value(), c.ok);
        if (!b) continue;
        EXPECT_EQ(b->position, c.position);
        EXPECT_EQ(b->name, c.name);
    }
}

}  // namespace
}  // namespace tarvox::cli

// Every volume and the extreme samples: s x volume / 50, clipped.
TEST(EngineSpeakerTest, ScaleVolumeAtEveryVolume) {
    const std::vector<std::int16_t> in = {-32768, -32767, -16384, -16383, -101, -1, 0, 1, 49, 51, 16383, 16384, 32767};
    std::vector<std::int16_t> out(in.size());
    for (int volume = 0; volume <= 100; ++volume) {
        tarvox::cli::ScaleVolume(in, out, volume);
        for (std::size_t i = 0; i < in.size(); ++i)
            ASSERT_EQ(out[i], std::clamp(in[i] * volume / 50, -32766, 32766)) << volume << " " << in[i];
    }
}
