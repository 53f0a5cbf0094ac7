#include "engine_speaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "adapter/class_factory.h"
#include "adapter/tts_engine.h"
#include "base/config.h"
#include "driver/sint.h"
#include "support/test_files.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

namespace tarvox::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string kVoice = TARVOX_TEST_VOICE;
constexpr char kSentence[] = "Dober dan, kako ste?";

// One engine of the bundled voice with its own configuration and driver,
// and the class factory over it.
struct Voice {
    Configuration config;
    Sint sint{config};
    EngineHost host{config, sint};
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
    s.first_sentence = [&v](const char* t) -> std::size_t {
        return v.sint.GrafemskoFonemskaPretvorba(t) > 0 ? v.sint.ConsumedInput() : 0;
    };
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

// What the command line spoke before it went through the engine object:
// the driver sentence by sentence, the samples doubled at volume 100.
std::vector<std::int16_t> SayThroughDriver(std::string_view utf8) {
    Configuration config;
    Sint sint(config);
    config.SetBaseDirectory(kVoice);
    EXPECT_EQ(config.ProcessSintIni(), 0);
    config.switches().index_mode = true;
    EXPECT_EQ(sint.InitSint(), 0);
    EXPECT_TRUE(sint.InitPsola());
    std::vector<std::int16_t> out;
    const std::string text = Utf8ToCp1250(utf8);
    for (std::string_view piece : SplitIntoPieces(text)) {
        const std::string p(piece);
        if (p.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        for (int r = sint.GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
             r = sint.GrafemskoFonemskaPretvorba(nullptr)) {
            if (sint.Prozodija(nullptr) != 0) continue;
            std::int32_t n = 0;
            const std::int16_t* samples = sint.SintezaGovoraStream(n);
            for (std::int32_t i = 0; samples && i < n; ++i)
                out.push_back(static_cast<std::int16_t>(
                    std::clamp(samples[i] * 200L / 100, -32766L, 32766L)));
        }
    }
    sint.ReleasePsola();
    sint.ReleaseSint();
    config.ReleaseProfile();
    return out;
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

// Sentence by sentence: the first sentence's audio is written when the
// converter has looked at most one sentence ahead, however long the text.
TEST(EngineSpeakerTest, FirstSentenceSpokenBeforeTheRestIsRead) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "To je stavek številka " + std::to_string(i + 1) + ". ";
    Voice v;
    SpeakSettings s;
    s.voice_dir = kVoice;
    int divided = 0;
    int divided_at_first_audio = -1;
    s.first_sentence = [&](const char* t) -> std::size_t {
        ++divided;
        return v.sint.GrafemskoFonemskaPretvorba(t) > 0 ? v.sint.ConsumedInput() : 0;
    };
    std::size_t samples = 0;
    const SpeakOutcome outcome = SpeakThroughEngine(
        v.factory, s, text, {},
        [&](std::span<const std::int16_t> p) {
            if (divided_at_first_audio < 0) divided_at_first_audio = divided;
            samples += p.size();
            return true;
        },
        nullptr);
    ASSERT_EQ(outcome.error, "");
    EXPECT_EQ(divided, 12);
    EXPECT_LE(divided_at_first_audio, 2);
    EXPECT_EQ(samples, SayThroughDriver(text).size());
}

// A text longer than the converter's buffer goes in several requests: the
// audio is still the driver's, and the events run on through the requests.
TEST(EngineSpeakerTest, LongTextInSeveralRequests) {
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
    EXPECT_EQ(now.events.back().offset, now.outcome.audio_bytes);
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

// The command line itself: options, the WAV file and the event lines.
TEST(EngineSpeakerTest, CommandLineWritesTheWavAndPrintsEvents) {
    TempDir dir;
    const std::string wav = dir.file("pozdrav.wav");
    const std::string command = std::string(TARVOX_CLI_PATH) + " say \"" + kSentence +
                                "\" --voice " + kVoice + " -o " + wav +
                                " --events --mark 6:sredina --mark 0:0";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::string printed;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe.get())) printed += buf;
    ASSERT_EQ(pclose(pipe.release()), 0);

    const std::string data = ReadFile(wav);
    ASSERT_GT(data.size(), 44u);
    EXPECT_EQ(data.substr(0, 4), "RIFF");
    EXPECT_EQ(data.substr(8, 8), "WAVEfmt ");
    auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, data.data() + at, 4);
        return v;
    };
    EXPECT_EQ(u32(24), 16000u);
    EXPECT_EQ(data[22], 1);   // mono
    EXPECT_EQ(data[34], 16);  // bits
    const std::size_t data_at = data.find("data");
    ASSERT_NE(data_at, std::string::npos);
    const std::uint32_t audio_bytes = u32(data_at + 4);
    EXPECT_EQ(audio_bytes, data.size() - data_at - 8);

    Voice v;
    EXPECT_EQ(Say(v, kSentence).samples.size() * 2, audio_bytes);

    std::istringstream lines(printed);
    std::vector<std::string> kinds;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::uint64_t offset = 0;
        std::string kind;
        long position = -1, length = -1;
        ASSERT_TRUE(fields >> offset >> kind >> position >> length) << line;
        EXPECT_LE(offset, audio_bytes);
        std::string name;
        std::getline(fields, name);
        kinds.push_back(kind + "@" + std::to_string(position) + name);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"bookmark@0 0", "word@0", "bookmark@6 sredina",
                                               "word@6", "word@11", "word@16"}));
}

}  // namespace
}  // namespace tarvox::cli
