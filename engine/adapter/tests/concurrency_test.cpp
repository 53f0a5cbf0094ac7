// Speaking from several threads at once with the bundled voices: two voice
// directories through the C interface in parallel, and two engine objects of
// one voice taking turns. Each output must equal what the same request gives
// when spoken alone. Built also with ThreadSanitizer (./run tsan).
#include "adapter/tarvox.h"
#include "adapter/host_objects.h"
#include "adapter/tts_engine.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kVoices = TARVOX_TEST_VOICES_DIR;

struct Output {
    std::vector<std::int16_t> audio;
    std::vector<std::uint64_t> events;
};

int OnAudio(void* user, const int16_t* samples, size_t n) {
    auto* o = static_cast<Output*>(user);
    o->audio.insert(o->audio.end(), samples, samples + n);
    return 0;
}

void OnEvent(void* user, const tarvox_event* e) {
    static_cast<Output*>(user)->events.push_back(e->sample * 8 + static_cast<unsigned>(e->kind));
}

Output Speak(tarvox_voice* v, const std::string& text) {
    Output o;
    EXPECT_EQ(tarvox_speak(v, text.c_str(), nullptr, OnAudio, OnEvent, &o), TARVOX_OK)
        << tarvox_last_error(v);
    return o;
}

class TwoVoices : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"quenlar-orin", "quenlar-tevo"})
            if (!std::filesystem::exists(kVoices + "/" + name + "/data/QuenlarOrin.dat"))
                GTEST_SKIP() << "the bundled voices are not built in " << kVoices;
        ASSERT_EQ(tarvox_open((kVoices + "/quenlar-orin").c_str(), &orin), TARVOX_OK)
            << tarvox_last_error(nullptr);
        ASSERT_EQ(tarvox_open((kVoices + "/quenlar-tevo").c_str(), &tevo), TARVOX_OK)
            << tarvox_last_error(nullptr);
    }
    void TearDown() override {
        tarvox_close(orin);
        tarvox_close(tevo);
    }
    tarvox_voice* orin = nullptr;
    tarvox_voice* tevo = nullptr;
};

const std::string kOrinText =
    "Dober dan, kako ste? Danes je lep dan. Ob 8:15 sem kupil 5 kg jabolk in dve hruški.";
const std::string kTevoText =
    "Vlak odpelje ob sedmih. Ali greš z nami na morje? Hvala za pomoč, nasvidenje.";

TEST_F(TwoVoices, SpeakInParallelAsTheyDoAlone) {
    const Output orin_alone = Speak(orin, kOrinText);
    const Output tevo_alone = Speak(tevo, kTevoText);
    ASSERT_FALSE(orin_alone.audio.empty());
    ASSERT_FALSE(tevo_alone.audio.empty());
    for (int round = 0; round < 3; ++round) {
        Output a, b;
        std::thread ta([&] { a = Speak(orin, kOrinText); });
        std::thread tb([&] { b = Speak(tevo, kTevoText); });
        ta.join();
        tb.join();
        EXPECT_EQ(a.audio, orin_alone.audio);
        EXPECT_EQ(a.events, orin_alone.events);
        EXPECT_EQ(b.audio, tevo_alone.audio);
        EXPECT_EQ(b.events, tevo_alone.events);
    }
}

TEST_F(TwoVoices, HandlesOfOneVoiceTakeTurns) {
    tarvox_voice* second = nullptr;
    ASSERT_EQ(tarvox_open((kVoices + "/quenlar-orin").c_str(), &second), TARVOX_OK);
    const Output alone = Speak(orin, kTevoText);
    Output a, b;
    std::thread ta([&] { a = Speak(orin, kTevoText); });
    std::thread tb([&] { b = Speak(second, kTevoText); });
    ta.join();
    tb.join();
    EXPECT_EQ(a.audio, alone.audio);
    EXPECT_EQ(b.audio, alone.audio);
    tarvox_close(second);
}

// Two engine objects of one voice, one with the YU-ASCII letters (Mode 1),
// speak from two threads: each reads the text as its own token says,
// whatever the other's token set, and as it does alone.
class EngineObjects : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kVoices + "/quenlar-orin/data/QuenlarOrin.dat"))
            GTEST_SKIP() << "the bundled voice is not built in " << kVoices;
    }
    tarvox::CTTSEngObj* Object(DWORD mode) {
        auto* o = new tarvox::CTTSEngObj();
        tarvox::MemoryToken* token =
            tarvox::MakeVoiceToken(u"Quenlar Orin", tarvox::Utf8ToUtf16(kVoices + "/quenlar-orin"), mode);
        EXPECT_EQ(o->SetObjectToken(token), S_OK);
        token->Release();
        return o;
    }
    static std::vector<std::int16_t> Speak(tarvox::CTTSEngObj* o, const std::u16string& text) {
        SPVTEXTFRAG f{};
        f.State.eAction = SPVA_Speak;
        f.State.Volume = 100;
        f.pTextStart = reinterpret_cast<LPCWSTR>(text.c_str());
        f.ulTextLen = static_cast<ULONG>(text.size());
        tarvox::OutputSite site;
        EXPECT_EQ(o->Speak(0, tarvox::sapi::kSPDFID_WaveFormatEx, nullptr, &f, &site), S_OK);
        return site.audio();
    }
};

TEST_F(EngineObjects, EachSpeaksWithItsOwnModeAtTheSameTime) {
    // "^a[a" reads "ca sa" (with carons) in YU-ASCII, signs otherwise.
    const std::u16string text = u"Beseda ^a[a in ~rka.";
    tarvox::CTTSEngObj* plain = Object(0);
    const std::vector<std::int16_t> plain_alone = Speak(plain, text);
    tarvox::CTTSEngObj* yu = Object(1);
    const std::vector<std::int16_t> yu_alone = Speak(yu, text);
    EXPECT_NE(yu_alone, plain_alone);
    EXPECT_EQ(Speak(plain, text), plain_alone);
    for (int round = 0; round < 3; ++round) {
        std::vector<std::int16_t> a, b;
        std::thread ta([&] { a = Speak(plain, text); });
        std::thread tb([&] { b = Speak(yu, text); });
        ta.join();
        tb.join();
        EXPECT_EQ(a, plain_alone);
        EXPECT_EQ(b, yu_alone);
    }
    yu->Release();
    plain->Release();
}

}  // namespace
