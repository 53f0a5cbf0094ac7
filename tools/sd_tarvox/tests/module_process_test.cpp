// sd_tarvox as speech-dispatcher runs it: a child process spoken to over
// pipes, with the bundled voice of the build tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "adapter/tarvox.h"
#include "module_process.h"
#include "support/test_files.h"

namespace tarvox::sd {
namespace {

using testing::ModuleProcess;
using testing::ReadSpeech;
using testing::Spoken;

struct CApiSpeech {
    std::vector<std::int16_t> audio;
    std::vector<std::pair<std::string, std::uint64_t>> marks;
};

CApiSpeech SpeakInProcess(const std::string& text, const tarvox_settings& settings,
                          const std::vector<tarvox_mark>& marks = {},
                          const std::string& voice = TARVOX_VOICE_BUILD_DIR) {
    CApiSpeech out;
    tarvox_voice* v = nullptr;
    if (tarvox_open(voice.c_str(), &v) != TARVOX_OK) {
        ADD_FAILURE() << tarvox_last_error(nullptr);
        return out;
    }
    auto on_audio = [](void* user, const int16_t* s, size_t n) {
        auto* o = static_cast<CApiSpeech*>(user);
        o->audio.insert(o->audio.end(), s, s + n);
        return 0;
    };
    auto on_event = [](void* user, const tarvox_event* e) {
        if (e->kind == TARVOX_EVENT_MARK) static_cast<CApiSpeech*>(user)->marks.emplace_back(e->name, e->sample);
    };
    EXPECT_EQ(tarvox_speak_marked(v, text.c_str(), marks.data(), marks.size(), &settings, on_audio,
                                  on_event, &out),
              TARVOX_OK);
    tarvox_close(v);
    return out;
}

class ModuleProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = dir.Write("tarvox.conf", std::string("# test\nTarvoxVoiceDirectory \"") +
                                              TARVOX_VOICE_BUILD_DIR + "\"\n");
    }
    // INIT and server audio, as the server starts a module.
    void Start(ModuleProcess& m) {
        ASSERT_TRUE(m.started());
        m.Send("INIT\nAUDIO\naudio_output_method=server\n.\n");
        std::optional<std::string> line;
        do line = m.Line();
        while (line && line->starts_with("299-"));
        ASSERT_EQ(line, "299 OK LOADED SUCCESSFULLY");
        EXPECT_EQ(m.Line(), "207 OK RECEIVING AUDIO SETTINGS");
        EXPECT_EQ(m.Line(), "203 OK AUDIO INITIALIZED");
    }
    void Speak(ModuleProcess& m, const std::string& command, const std::string& text) {
        m.Send(command + "\n" + text + "\n.\n");
        EXPECT_EQ(m.Line(), "202 OK RECEIVING MESSAGE");
        EXPECT_EQ(m.Line(), "200 OK SPEAKING");
    }
    void Quit(ModuleProcess& m) {
        m.Send("QUIT\n");
        EXPECT_EQ(m.Line(), "210 OK QUIT");  // nothing came after the last event
        EXPECT_TRUE(m.Wait(10000));
        EXPECT_EQ(m.exit_status(), 0);
    }

    tarvox::testing::TempDir dir;
    std::string config;
};

TEST_F(ModuleProcessTest, StartUpSequenceAndVoiceList) {
    ModuleProcess m(config);
    Start(m);
    m.Send("LOGLEVEL\nlog_level=5\n.\nLIST VOICES\n");
    EXPECT_EQ(m.Line(), "207 OK RECEIVING LOGLEVEL SETTINGS");
    EXPECT_EQ(m.Line(), "203 OK LOGLEVEL SET");
    std::vector<std::string> voices;
    std::optional<std::string> line;
    while ((line = m.Line()) && line->starts_with("200-")) voices.push_back(line->substr(4));
    EXPECT_EQ(line, "200 OK VOICE LIST SENT");
    std::vector<std::string> expected = {"Quenlar Orin\tsl\tnone"};
    const auto tevo = std::filesystem::path(TARVOX_VOICE_BUILD_DIR).parent_path() / "quenlar-tevo";
    if (std::filesystem::is_directory(tevo)) expected.push_back("Quenlar Tevo\tsl\tnone");
    EXPECT_EQ(voices, expected);
    // The module plays nothing itself.
    m.Send("AUDIO\naudio_output_method=alsa\naudio_alsa_device=default\n.\n");
    EXPECT_EQ(m.Line(), "207 OK RECEIVING AUDIO SETTINGS");
    line = m.Line();
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->starts_with("300-")) << *line;
    EXPECT_EQ(m.Line(), "300 MODULE ERROR");
    Quit(m);
}

TEST_F(ModuleProcessTest, SpeakSendsTheSamplesOfTheCInterface) {
    ModuleProcess m(config);
    Start(m);
    m.Send("SET\npitch=-20\nrate=30\nvolume=50\npunctuation_mode=none\nspelling_mode=off\n"
           "cap_let_recogn=none\nlanguage=sl\nvoice=male1\nsynthesis_voice=NULL\n.\n");
    EXPECT_EQ(m.Line(), "203 OK RECEIVING SETTINGS");
    EXPECT_EQ(m.Line(), "203 OK SETTINGS RECEIVED");
    Speak(m, "SPEAK", "<speak>Dober dan, svet.</speak>");
    const Spoken s = ReadSpeech(m);
    ASSERT_TRUE(s.complete);
    EXPECT_TRUE(s.well_formed);
    EXPECT_EQ(s.events.front(), "701");
    EXPECT_EQ(s.events.back(), "702");
    const CApiSpeech expected = SpeakInProcess("Dober dan, svet.", {3, -2, 75});
    ASSERT_GT(expected.audio.size(), 8000u);
    EXPECT_EQ(s.audio, expected.audio);
    Quit(m);
}

TEST_F(ModuleProcessTest, CharactersAndKeysAreSpelled) {
    ModuleProcess m(config);
    Start(m);
    struct Case {
        const char* command;
        const char* message;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"CHAR", "č", {"č"}},
        {"CHAR", "space", {"presledek"}},
        {"KEY", "shift_a", {"dvigalka", "a"}},
    };
    for (const Case& c : cases) {
        Speak(m, c.command, c.message);
        const Spoken s = ReadSpeech(m);
        ASSERT_TRUE(s.complete);
        std::vector<std::int16_t> expected;
        for (const std::string& p : c.pieces) {
            const auto a = SpeakInProcess(p, {0, 0, 100}).audio;  // the server default, volume 100
            expected.insert(expected.end(), a.begin(), a.end());
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(s.audio, expected) << c.message;
    }
    Quit(m);
}

TEST_F(ModuleProcessTest, SpellingModeSpeaksCharacterByCharacter) {
    ModuleProcess m(config);
    Start(m);
    m.Send("SET\nspelling_mode=on\ncap_let_recogn=spell\n.\n");
    EXPECT_EQ(m.Line(), "203 OK RECEIVING SETTINGS");
    EXPECT_EQ(m.Line(), "203 OK SETTINGS RECEIVED");
    Speak(m, "SPEAK", "<speak>Ab</speak>");
    const Spoken s = ReadSpeech(m);
    ASSERT_TRUE(s.complete);
    std::vector<std::int16_t> expected;
    for (const char* piece : {"velika", "A", "b"}) {
        const auto a = SpeakInProcess(piece, {0, 0, 100}).audio;
        expected.insert(expected.end(), a.begin(), a.end());
    }
    EXPECT_EQ(s.audio, expected);
    Quit(m);
}

TEST_F(ModuleProcessTest, VoicesAreChosenByNameAndByType) {
    const std::string tevo =
        (std::filesystem::path(TARVOX_VOICE_BUILD_DIR).parent_path() / "quenlar-tevo").string();
    if (!std::filesystem::is_directory(tevo)) GTEST_SKIP() << "no voice " << tevo;
    ModuleProcess m(config);
    Start(m);
    struct Case {
        const char* settings;
        std::string voice;
    };
    const Case cases[] = {
        {"synthesis_voice=Quenlar Tevo\n", tevo},
        {"synthesis_voice=NULL\nvoice=male1\n", TARVOX_VOICE_BUILD_DIR},
        {"voice=female2\n", tevo},
        {"synthesis_voice=Quenlar Orin\n", TARVOX_VOICE_BUILD_DIR},
        {"synthesis_voice=No Such Voice\nvoice=male1\n", TARVOX_VOICE_BUILD_DIR},
    };
    for (const Case& c : cases) {
        m.Send(std::string("SET\n") + c.settings + ".\n");
        EXPECT_EQ(m.Line(), "203 OK RECEIVING SETTINGS");
        EXPECT_EQ(m.Line(), "203 OK SETTINGS RECEIVED");
        Speak(m, "SPEAK", "Dober dan.");
        const Spoken s = ReadSpeech(m);
        ASSERT_TRUE(s.complete);
        EXPECT_EQ(s.audio, SpeakInProcess("Dober dan.", {0, 0, 100}, {}, c.voice).audio) << c.settings;
    }
    Quit(m);
}

TEST_F(ModuleProcessTest, IndexMarksComeInOrderAtTheirAudioPositions) {
    ModuleProcess m(config);
    Start(m);
    Speak(m, "SPEAK",
          "<speak><mark name=\"__spd_id_1\"/>Prvi stavek je tu. <mark name=\"__spd_id_2\"/>"
          "Drugi stavek\nje daljši od prvega. <mark name=\"__spd_id_3\"/>Tretji.<mark name=\"__spd_id_4\"/></speak>");
    std::vector<std::pair<std::string, std::size_t>> marks;  // name, samples before it
    const Spoken s = ReadSpeech(m, [&](const std::string& e, const Spoken& sofar) {
        if (e.starts_with("700 ")) marks.emplace_back(e.substr(4), sofar.audio.size());
    });
    ASSERT_TRUE(s.complete);
    EXPECT_EQ(s.events.back(), "702");
    const std::string text = "Prvi stavek je tu. Drugi stavek\nje daljši od prvega. Tretji.";
    const std::vector<tarvox_mark> in = {{0, "__spd_id_1"}, {19, "__spd_id_2"}, {54, "__spd_id_3"}, {61, "__spd_id_4"}};
    const CApiSpeech expected = SpeakInProcess(text, {0, 0, 100}, in);
    ASSERT_EQ(marks.size(), 4u);
    ASSERT_EQ(expected.marks.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(marks[i].first, expected.marks[i].first);
        EXPECT_EQ(marks[i].second, expected.marks[i].second) << marks[i].first;
    }
    EXPECT_EQ(marks[0].second, 0u);
    EXPECT_LT(marks[1].second, marks[2].second);
    EXPECT_EQ(marks[3].second, s.audio.size());
    EXPECT_EQ(s.audio, expected.audio);
    Quit(m);
}

// Thirty sentences, a mark before each.
std::string LongText() {
    std::string text = "<speak>";
    for (int i = 1; i <= 30; ++i)
        text += "<mark name=\"__spd_id_" + std::to_string(i) + "\"/>To je stavek številka " + std::to_string(i) +
                ", ki ga modul bere do konca. ";
    return text + "</speak>";
}

TEST_F(ModuleProcessTest, StopEndsWithinOneSentence) {
    // A small pipe: the module cannot run more than a few kilobytes ahead.
    ModuleProcess m(config, 4096);
    Start(m);
    Speak(m, "SPEAK", LongText());
    int marks_after_stop = -1;
    const Spoken s = ReadSpeech(m, [&](const std::string& e, const Spoken&) {
        if (e == "700 __spd_id_2") {
            m.Send("STOP\n");
            marks_after_stop = 0;
        } else if (e.starts_with("700 ") && marks_after_stop >= 0) {
            ++marks_after_stop;
        }
    });
    ASSERT_TRUE(s.complete);
    EXPECT_EQ(s.events.back(), "703");
    EXPECT_LE(marks_after_stop, 1);
    Quit(m);
}

TEST_F(ModuleProcessTest, NoEventBetweenACommandAndItsReply) {
    ModuleProcess m(config);
    Start(m);
    Speak(m, "SPEAK", LongText());
    // While speaking, a SET whose block the module must wait for: the
    // audio made meanwhile waits until the final reply is out.
    m.Send("SET\n");
    std::optional<std::string> line;
    while ((line = m.Line()) && *line != "203 OK RECEIVING SETTINGS") {
    }
    ASSERT_TRUE(line);
    m.Send("rate=10\n");
    m.Send(".\nSTOP\n");
    EXPECT_EQ(m.Line(), "203 OK SETTINGS RECEIVED");
    const Spoken s = ReadSpeech(m);
    ASSERT_TRUE(s.complete);
    EXPECT_EQ(s.events.back(), "703");
    Quit(m);
}

TEST_F(ModuleProcessTest, PauseStopsAtTheNextMark) {
    ModuleProcess m(config, 4096);
    Start(m);
    Speak(m, "SPEAK", LongText());
    bool sent = false;
    const Spoken s = ReadSpeech(m, [&](const std::string& e, const Spoken&) {
        if (e == "700 __spd_id_1") {
            m.Send("PAUSE\n");
            sent = true;
        }
    });
    ASSERT_TRUE(s.complete);
    ASSERT_GE(s.events.size(), 3u);
    EXPECT_EQ(s.events.back(), "704");
    EXPECT_TRUE(s.events[s.events.size() - 2].starts_with("700 __spd_id_")) << s.events[s.events.size() - 2];
    EXPECT_LE(std::count_if(s.events.begin(), s.events.end(), [](const std::string& e) { return e.starts_with("700"); }), 4);
    Quit(m);
}

TEST_F(ModuleProcessTest, BadVoiceDirectoryFailsInit) {
    const std::string bad = dir.Write("bad.conf", "TarvoxVoiceDirectory \"/nonexistent/tarvox-voice\"\n");
    ModuleProcess m(bad);
    m.Send("INIT\n");
    const auto first = m.Line();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->starts_with("399-")) << *first;
    EXPECT_NE(first->find("/nonexistent/tarvox-voice"), std::string::npos) << *first;
    EXPECT_EQ(m.Line(), "399 ERR CANT INIT MODULE");
    m.Send("SPEAK\nx\n.\n");
    EXPECT_EQ(m.Line(), "202 OK RECEIVING MESSAGE");
    EXPECT_EQ(m.Line(), "301 ERROR CANT SPEAK");
    Quit(m);
}

TEST_F(ModuleProcessTest, GarbageIsAnsweredWithErrors) {
    ModuleProcess m(config);
    Start(m);
    struct Case {
        std::string sent;
        std::vector<std::string> replies;
    };
    const std::vector<Case> cases = {
        {"\n", {"300 ERR UNKNOWN COMMAND"}},
        {"HELLO\n", {"300 ERR UNKNOWN COMMAND"}},
        {std::string("\x01\x02\xff\0zz\n", 7), {"300 ERR UNKNOWN COMMAND"}},
        {std::string(3 << 20, 'S') + "\n", {"300 ERR UNKNOWN COMMAND"}},
        {"SPEAKING\n", {"300 ERR UNKNOWN COMMAND"}},
        {"SET\nrate\n.\n", {"203 OK RECEIVING SETTINGS", "302 ERROR BAD SYNTAX"}},
        {"SET\n=5\n.\n", {"203 OK RECEIVING SETTINGS", "302 ERROR BAD SYNTAX"}},
        {"SET\nrate=fast\n.\n", {"203 OK RECEIVING SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"SET\nvolume=101\n.\n", {"203 OK RECEIVING SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"SET\npunctuation_mode=loud\n.\n", {"203 OK RECEIVING SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"SET\nsome_new_key=1\n.\n", {"203 OK RECEIVING SETTINGS", "203 OK SETTINGS RECEIVED"}},
        {"LOGLEVEL\nlog_level=x\n.\n", {"207 OK RECEIVING LOGLEVEL SETTINGS", "303 ERROR INVALID PARAMETER OR VALUE"}},
        {"STOP\nPAUSE\nLIST VOICES\n", {"200-Quenlar Orin\tsl\tnone"}},
    };
    for (const Case& c : cases) {
        m.Send(c.sent);
        for (const std::string& r : c.replies) EXPECT_EQ(m.Line(), r) << c.sent.substr(0, 40);
    }
    // An empty message and one of markup only are spoken as nothing.
    std::optional<std::string> line;
    while ((line = m.Line()) && *line != "200 OK VOICE LIST SENT") {
    }
    for (const char* message : {"", "<speak></speak>", "<speak><mark name=\"__spd_id_5\"/></speak>"}) {
        Speak(m, "SPEAK", message);
        const Spoken s = ReadSpeech(m);
        EXPECT_TRUE(s.complete);
        EXPECT_TRUE(s.audio.empty());
        EXPECT_EQ(s.events.back(), "702");
    }
    // The end of the input ends the module cleanly, also while speaking.
    Speak(m, "SPEAK", "<speak>Zadnji stavek, ki ga ne bo slišati do konca.</speak>");
    m.CloseInput();
    const Spoken s = ReadSpeech(m);
    EXPECT_TRUE(s.complete);
    EXPECT_TRUE(m.Wait(10000));
    EXPECT_EQ(m.exit_status(), 0);
}

}  // namespace
}  // namespace tarvox::sd
