// The speech-dispatcher output module's conversation with the server: it
// reads commands from a stream, answers on a sink and speaks on a worker
// thread through the tarvox C interface, so STOP and PAUSE are read while
// speaking. Events (701..705) are never written between a command and its
// reply: while a command is being answered they wait, in order, and leave
// right after the reply.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <istream>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "adapter/tarvox.h"
#include "protocol.h"
#include "speech_text.h"

namespace tarvox::sd {

// Where the bytes for the server go (standard output in the module).
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// Writes to a file descriptor, whole, retrying after interruptions. A
// closed reader ends writing quietly.
class FdSink final : public OutputSink {
public:
    explicit FdSink(int fd) : fd_(fd) {}
    void Write(std::string_view bytes) override;

private:
    int fd_;
    bool broken_ = false;
};

// The module configuration file: lines "Key value" or "Key "value"",
// '#' comments. Keys (case-insensitive):
//   TarvoxVoiceDirectory  the voice directory loaded at INIT; the voices
//                         beside it (directories with a voice.ini) are the
//                         other voices offered
//   TarvoxDefaultVoice    the voice name spoken until the server picks one
//                         ("Quenlar Orin")
struct ModuleConfig {
    std::string voice_directory;
    std::string default_voice;
    std::vector<std::string> problems;  // lines not understood, for the log
};
// Reads the file; a relative directory is taken from the file's directory.
// A missing file gives an empty configuration and a problem line.
ModuleConfig ReadModuleConfig(const std::string& path);

struct VoiceEntry {
    std::string name;       // "Quenlar Orin"
    std::string directory;  // its voice directory
    std::string language;   // "sl"
    std::string gender;     // "male", "female" or "" when unknown
};
// The voices offered: those with a manifest (voice.ini) beside
// `voice_directory` (in the same parent directory), and the directory itself
// if it is none of them (named by its manifest or its last path element).
std::vector<VoiceEntry> FindVoices(const std::string& voice_directory);

struct SessionOptions {
    std::string config_file;          // the module's argument; may be ""
    std::string default_voice_directory;  // used when the file names none
};

class ModuleSession {
public:
    ModuleSession(OutputSink& out, SessionOptions options);
    ~ModuleSession();
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // Reads one command (with its block of lines) and answers it. False
    // after QUIT or at the end of the input; speaking has then stopped.
    bool Handle(LineReader& in);
    // Handles commands until QUIT or the end of the input.
    void Run(std::istream& in);
    // Bytes of events waiting for the open command's reply.
    std::size_t HeldBytes();
    // For tests: called on the speaking thread before each block of audio
    // is delivered, outside the output lock (so a test can hold the worker
    // at a point it chooses). Set before the first command.
    void SetAudioGate(std::function<void()> gate) { audio_gate_ = std::move(gate); }

private:
    enum class Kind { kText, kChar, kKey, kIcon };
    struct Piece {
        std::string text;
        std::vector<TextMark> marks;
    };
    struct Job {
        std::vector<Piece> pieces;
        std::string icon;
        tarvox_settings settings{0, 0, 100};
    };
    struct PendingMark {
        std::uint64_t sample;
        std::string name;
    };

    // Output: replies now, events after the open command's reply.
    void BeginCommand();
    void Reply(std::string_view lines);
    void EndCommand();
    void Event(std::string_view bytes);

    void Init();
    void ReadParameters(LineReader& in, std::string_view first_reply, bool audio, bool loglevel);
    void ListVoices();
    void Set(LineReader& in);
    void Speak(LineReader& in, Kind kind);
    std::optional<std::string> ReadMessage(LineReader& in);
    Job MakeJob(const std::string& message, Kind kind) const;
    bool UseVoiceFor();
    void StopSpeaking();
    void FinishWorker();
    void Log(int level, std::string_view message) const;

    void Work(Job job);
    static int OnAudio(void* user, const int16_t* samples, size_t count);
    static void OnEvent(void* user, const tarvox_event* event);
    bool DeliverAudio(const int16_t* samples, std::size_t count);
    bool EmitMark(const std::string& name);

    OutputSink& sink_;
    SessionOptions options_;

    std::mutex out_mutex_;
    bool in_command_ = false;
    std::string held_;
    std::function<void()> audio_gate_;

    // Settings, touched only by the reading thread.
    ModuleConfig config_;
    std::vector<VoiceEntry> voices_;
    tarvox_voice* voice_ = nullptr;
    std::string open_directory_;
    std::string init_directory_;
    int rate_ = 0, pitch_ = 0, volume_ = 100;  // the server's values
    Punctuation punctuation_ = Punctuation::kNone;
    bool spelling_ = false;
    bool spell_capitals_ = false;
    std::string voice_type_ = "male1";
    std::string synthesis_voice_;
    std::string language_ = "sl";
    std::atomic<int> log_level_{3};  // also read by the worker
    bool audio_ready_ = false;

    // Speaking.
    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pause_{false};
    bool paused_ = false;           // worker only
    std::uint64_t delivered_ = 0;   // worker only: samples of this piece
    std::vector<PendingMark> pending_marks_;  // worker only
};

}  // namespace tarvox::sd
