// tarvox: speak Slovenian text into a WAV file (or to standard output), and
// show what the converter makes of it.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/diag.h"
#include "default_voice.h"
#include "driver/instance.h"
#include "driver/request.h"
#include "engine_speaker.h"
#include "manifest/voice_manifest.h"
#include "text/codepage.h"
#include "text/text_pieces.h"
#include "wav_writer.h"

namespace {

using namespace tarvox;

struct Options {
    std::vector<std::string> text;
    std::string file;
    std::string out;
    bool to_stdout = false;
    bool stdout_wav = false;
    std::string voice;  // a voice name or directory; "" the default voice
    int rate = 0;
    int pitch = 0;
    int volume = 100;
    bool ascii7 = false;
    bool events = false;
    std::vector<std::string> marks;
    bool verbose = false;
    bool platform = false;
    std::string encoding = "auto";  // auto, utf-8, windows-1250
};

// The signal that asked us to stop (SIGINT, SIGTERM), 0 while none did.
std::atomic<int> g_signal{0};
std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int sig) {
    g_signal = sig;
    g_stop = true;
}

void CatchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no restart: a blocked read returns and sees the stop
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

int Fail(const std::string& message) {
    std::cerr << "tarvox: " << message << "\n";
    return 1;
}

std::string VoicesDirectory() {
    return std::filesystem::path(tools::DefaultVoice(TARVOX_DEFAULT_VOICE, TARVOX_INSTALLED_VOICE))
        .parent_path()
        .string();
}

// The voice directory to speak with: by name or directory, else the
// default voice. `ascii7` is set when a YU-ASCII variant was named.
std::optional<std::string> VoiceDirectory(const Options& o, bool& ascii7, std::string& error) {
    if (o.voice.empty()) return tools::DefaultVoice(TARVOX_DEFAULT_VOICE, TARVOX_INSTALLED_VOICE);
    const auto chosen = ChooseVoice(FindVoices(VoicesDirectory()), o.voice);
    if (!chosen) {
        error = "no voice named " + o.voice + " (tarvox --voices lists them) and no such directory";
        return std::nullopt;
    }
    ascii7 = ascii7 || chosen->ascii7;
    return chosen->voice.directory;
}

int ListVoices() {
    std::vector<std::string> problems;
    const auto voices = FindVoices(VoicesDirectory(), &problems);
    for (const VoiceManifest& v : voices) {
        std::cout << v.name << "\t" << v.language << "\t" << v.gender << "\t" << v.directory << "\n";
        if (!v.yu_ascii_variant.empty())
            std::cout << v.name << " " << v.yu_ascii_variant << "\t" << v.language << "\t"
                      << v.gender << "\t" << v.directory << "\n";
    }
    for (const std::string& p : problems) std::cerr << "tarvox: " << p << "\n";
    if (voices.empty()) return Fail("no voices in " + VoicesDirectory());
    return 0;
}

// The internal letter code back to the code page's letters.
std::string LettersOf(std::string_view internal) {
    std::string out;
    for (char c : internal) {
        switch (c) {
            case '~': out.push_back('\xE8'); break;  // c caron
            case '{': out.push_back('\x9A'); break;  // s caron
            case '`': out.push_back('\x9E'); break;  // z caron
            case '^': out.push_back('\xC8'); break;
            case '[': out.push_back('\x8A'); break;
            case '@': out.push_back('\x8E'); break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::string JoinedArguments(const Options& o) {
    std::string joined;
    for (const std::string& t : o.text) joined += (joined.empty() ? "" : " ") + t;
    return joined;
}

// Reads the text to speak in blocks, from a file or standard input, or
// hands out the arguments' text at once.
class TextSource {
public:
    explicit TextSource(const Options& o) {
        if (!o.text.empty()) {
            pending_ = JoinedArguments(o);
            done_ = true;
        } else if (!o.file.empty()) {
            fd_ = ::open(o.file.c_str(), O_RDONLY | O_CLOEXEC);
            own_ = true;
            if (fd_ < 0) error_ = "cannot read " + o.file + ": " + std::strerror(errno);
        } else {
            fd_ = 0;
        }
    }
    ~TextSource() {
        if (own_ && fd_ >= 0) ::close(fd_);
    }
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;

    const std::string& error() const { return error_; }
    bool done() const { return done_; }
    std::string& pending() { return pending_; }

    // Reads one more block; false at the end, on an error or a stop.
    bool Read() {
        if (done_) return false;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                pending_.append(buffer, static_cast<std::size_t>(n));
                return true;
            }
            if (n < 0 && errno == EINTR && !g_stop) continue;
            if (n < 0 && errno != EINTR) error_ = std::string("cannot read the text: ") + std::strerror(errno);
            done_ = true;
            return false;
        }
    }

private:
    int fd_ = -1;
    bool own_ = false;
    bool done_ = false;
    std::string pending_;
    std::string error_;
};

// The complete UTF-8 characters at the start of `s` (bytes): a sequence cut
// by the end of a block waits for the next block.
std::size_t CompleteUtf8(std::string_view s) {
    std::size_t end = s.size();
    for (std::size_t back = 1; back <= 3 && back <= s.size(); ++back) {
        const auto c = static_cast<unsigned char>(s[s.size() - back]);
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte
        const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (need > back) end = s.size() - back;
        break;
    }
    return end;
}

// How the input's bytes are read: UTF-8, or Windows-1250 when asked or when
// they are not UTF-8 ("auto": from the first piece that is not, with one
// warning).
class InputEncoding {
public:
    explicit InputEncoding(const std::string& name)
        : cp1250_(name == "windows-1250"), fixed_(name != "auto") {}
    bool Cp1250(std::string_view bytes) {
        if (!cp1250_ && !fixed_ && !IsValidUtf8(bytes)) {
            cp1250_ = true;
            std::cerr << "tarvox: warning: the text is not valid UTF-8; it is read as Windows-1250 "
                         "(--encoding chooses)\n";
        }
        return cp1250_;
    }

private:
    bool cp1250_;
    bool fixed_;
};

// The request's audio to the output, its events to the event stream.
class SaySink final : public RequestSink {
public:
    SaySink(cli::SampleSink& out, std::ostream* events, int volume,
            const std::vector<cli::Bookmark>& marks)
        : out_(out), events_(events), volume_(volume), marks_(marks) {}

    // The next request's samples and marks follow the earlier ones.
    void Next(std::uint64_t sample_base, std::size_t first_mark) {
        sample_base_ = sample_base;
        first_mark_ = first_mark;
    }

    bool Event(const RequestEvent& e) override {
        if (!events_) return true;
        cli::SpokenEvent out;
        out.offset = 2 * (sample_base_ + e.sample);
        out.position = static_cast<std::int64_t>(e.position);
        out.length = static_cast<std::int64_t>(e.length);
        switch (e.kind) {
            case RequestEventKind::Sentence: out.kind = "sentence"; break;
            case RequestEventKind::Word: out.kind = "word"; break;
            case RequestEventKind::Mark:
                out.kind = "bookmark";
                out.name = marks_[first_mark_ + e.mark].name;
                break;
        }
        *events_ << cli::FormatEvent(out) << "\n";
        return true;
    }
    bool Audio(std::span<const std::int16_t> samples) override {
        scaled_.resize(samples.size());
        cli::ScaleVolume(samples, scaled_, volume_);
        return out_.Write(scaled_);
    }

private:
    cli::SampleSink& out_;
    std::ostream* events_;
    std::int32_t volume_;
    const std::vector<cli::Bookmark>& marks_;
    std::uint64_t sample_base_ = 0;
    std::size_t first_mark_ = 0;
    std::vector<std::int16_t> scaled_;
};

cli::OutputFormat FormatOf(const Options& o) {
    if (o.to_stdout) return cli::OutputFormat::Raw;
    if (o.stdout_wav || o.out == "-") return cli::OutputFormat::WavStream;
    return cli::OutputFormat::WavFile;
}

std::string OutputPath(const Options& o) { return o.out.empty() ? "tarvox.wav" : o.out; }

// Speaks through the speech platform's engine object: the whole text as one
// request, its audio written when it is all synthesised.
int SayThroughPlatform(const Options& o, const std::string& voice, bool ascii7,
                       const std::vector<cli::Bookmark>& marks, TextSource& source) {
    while (source.Read()) {
    }
    if (!source.error().empty()) return Fail(source.error());
    IClassFactory* factory = cli::ProcessClassFactory();
    if (!factory) return Fail("the engine's class factory is not available");
    struct FactoryRef {
        IClassFactory* f;
        ~FactoryRef() { f->Release(); }
    } factory_ref{factory};
    cli::SampleSink sink(OutputPath(o), FormatOf(o));
    if (!sink.ok()) return Fail(sink.error());
    std::ostream& event_out = FormatOf(o) == cli::OutputFormat::WavFile ? std::cout : std::cerr;
    cli::SpeakSettings settings;
    settings.voice_dir = voice;
    settings.ascii7 = ascii7;
    settings.rate = o.rate;
    settings.volume = o.volume;
    settings.pitch = o.pitch;
    const cli::SpeakOutcome outcome = cli::SpeakThroughEngine(
        *factory, settings, source.pending(), marks,
        [&](std::span<const std::int16_t> samples) { return sink.Write(samples); },
        [&](const cli::SpokenEvent& e) {
            if (o.events) event_out << cli::FormatEvent(e) << "\n";
        });
    if (!sink.Close()) return Fail(sink.error());
    if (!outcome.error.empty()) return Fail(outcome.error);
    return 0;
}

// Speaks the text through the driver, piece by piece as it is read: the
// first sentence is heard at once, and memory does not grow with the text.
int Say(const Options& o) {
    if (!o.text.empty() && !o.file.empty()) return Fail("give the text as arguments or with -f, not both");
    std::vector<cli::Bookmark> marks;
    for (const std::string& spec : o.marks) {
        auto mark = cli::ParseBookmark(spec);
        if (!mark) return Fail("--mark wants POS:NAME, not " + spec);
        marks.push_back(std::move(*mark));
    }
    std::stable_sort(marks.begin(), marks.end(),
                     [](const cli::Bookmark& a, const cli::Bookmark& b) { return a.position < b.position; });
    bool ascii7 = o.ascii7;
    std::string error;
    const auto voice = VoiceDirectory(o, ascii7, error);
    if (!voice) return Fail(error);
    TextSource source(o);
    if (!source.error().empty()) return Fail(source.error());
    CatchStopSignals();
    if (o.platform) return SayThroughPlatform(o, *voice, ascii7, marks, source);

    EngineInstance engine;
    if (o.verbose)
        engine.errors().SetTraceHook([](std::string_view t) { std::cerr << "[trace] " << t << "\n"; });
    // The voice first: a voice that fails leaves no output file behind.
    const EngineStart start = engine.Start(*voice, true);
    if (!start.ok()) return Fail(start.message);

    cli::SampleSink sink(OutputPath(o), FormatOf(o));
    if (!sink.ok()) return Fail(sink.error());
    std::ostream* events = nullptr;
    if (o.events) events = FormatOf(o) == cli::OutputFormat::WavFile ? &std::cout : &std::cerr;
    SaySink say(sink, events, o.volume, marks);

    RequestSettings settings;
    settings.rate = o.rate;
    settings.pitch = std::clamp(o.pitch * 50 / 20, -20, 20);
    settings.pitch_range = 90;
    settings.ascii7 = ascii7;
    settings.words = o.events;
    settings.stop = &g_stop;

    InputEncoding encoding(o.encoding);
    std::size_t characters = 0;  // spoken so far
    std::size_t mark = 0;
    std::uint64_t samples = 0;
    bool ended = false;
    while (!ended && !g_stop) {
        std::string& pending = source.pending();
        // Read until the converter's first piece is settled (more than its
        // limit is waiting) or the text ends.
        while (!source.done() && !g_stop && pending.size() <= 4 * kConverterTextLimit) source.Read();
        if (g_stop) break;
        ended = source.done();
        const bool cp1250 = encoding.Cp1250(ended ? pending : std::string_view(pending).substr(0, CompleteUtf8(pending)));
        const std::string_view ready(pending.data(), ended || cp1250 ? pending.size() : CompleteUtf8(pending));
        auto text_of = [&](std::string_view bytes) {
            return cp1250 ? RequestText::FromCodePage(Cp1250ToEngineText(bytes), characters)
                          : engine.TextFromUtf8(bytes, true, characters);
        };
        RequestText text = text_of(ready);
        // The piece: the characters of the converter's first piece, their
        // bytes, their marks.
        std::size_t count = text.source.back() - characters;  // characters
        std::size_t bytes = ready.size();
        if (!ended) {
            const auto pieces = SplitIntoPieces(text.text);
            const std::size_t cut = pieces.empty() ? 0 : pieces.front().size();
            count = std::max<std::size_t>(1, text.source[std::min(cut, text.text.size())] - characters);
            bytes = count;
            if (!cp1250) {
                bytes = 0;
                for (std::size_t c = 0; c < count && bytes < ready.size(); ++c) NextCodePoint(ready, bytes);
            }
            text = text_of(ready.substr(0, bytes));
        }
        settings.marks.clear();
        const std::size_t first_mark = mark;
        while (mark < marks.size() && (marks[mark].position < characters + count || ended))
            settings.marks.push_back(marks[mark++].position);
        say.Next(samples, first_mark);
        const RequestResult result = Speak(engine, text, settings, say);
        if (!result.started) return Fail("the engine is not started");
        samples += result.samples;
        characters += count;
        pending.erase(0, bytes);
        if (!sink.ok()) break;
    }
    if (!sink.Close() || !sink.ok()) return Fail(sink.error());
    if (!source.error().empty()) return Fail(source.error());
    if (o.verbose)
        std::cerr << "[tarvox] " << sink.written() << " samples ("
                  << static_cast<double>(sink.written()) / 16000.0 << " s)\n";
    if (g_signal != 0) return 128 + g_signal;
    return 0;
}

// Prints one line per input line: the converter's output for its sentences
// (phoneme strings, or with `normalised` the text as word conversion gets it).
int PrintTranscriptions(const Options& o, bool normalised) {
    bool ascii7 = o.ascii7;
    std::string error;
    const auto voice = VoiceDirectory(o, ascii7, error);
    if (!voice) return Fail(error);
    EngineInstance engine;
    if (o.verbose)
        engine.errors().SetTraceHook([](std::string_view t) { std::cerr << "[trace] " << t << "\n"; });
    const EngineStart start = engine.Start(*voice, false);
    if (!start.ok()) return Fail(start.message);
    if (ascii7) engine.config().switches().podpiraj_ascii7 = true;
    InputEncoding encoding(o.encoding);
    auto line_out = [&](const std::string& line) {
        std::string joined;
        const std::string text = encoding.Cp1250(line) ? Cp1250ToEngineText(line) : engine.TextFromUtf8(line).text;
        Transcribe(engine, text, [&](std::string_view phonemes, std::string_view sentence) {
            if (!joined.empty()) joined += ' ';
            if (normalised) {
                if (sentence.substr(0, 2) == ". ") sentence.remove_prefix(2);
                joined += LettersOf(sentence);
            } else {
                joined += phonemes;
            }
        });
        std::cout << Cp1250ToUtf8(joined) << "\n";
    };
    if (!o.text.empty()) {
        line_out(JoinedArguments(o));
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) line_out(line);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tarvox - Slovenian text-to-speech"};
    app.require_subcommand(0, 1);
    bool list_voices = false;
    bool version = false;
    app.add_flag("--voices", list_voices, "list the installed voices: name, language, gender, directory");
    app.add_flag("--version", version, "print the version");
    Options o;
    auto common = [&o](CLI::App* sub) {
        sub->add_option("text", o.text, "text to speak (default: the file of -f, else standard input)");
        sub->add_option("-v,--voice", o.voice,
                        "voice: a name from tarvox --voices (\"Quenlar Tevo\", \"Quenlar Orin "
                        "YU-ASCII\") or a voice directory (default: the first installed voice)");
        sub->add_flag("--verbose", o.verbose,
                      "show the engine's trace and errors (among them the characters it cannot read)");
        sub->add_option("--encoding", o.encoding,
                        "how the text's bytes are read: utf-8, windows-1250, or auto (UTF-8 unless "
                        "the bytes are not, then Windows-1250 with a warning)")
            ->check(CLI::IsMember({"auto", "utf-8", "windows-1250"}))
            ->capture_default_str();
        sub->add_flag("--ascii7", o.ascii7,
                      "the voice's YU-ASCII mode: the signs that YU-ASCII uses for letters (such "
                      "as ^ ~ [ { @ `) are read as those letters");
    };
    CLI::App* say = app.add_subcommand("say", "speak text into a WAV file");
    common(say);
    say->add_option("-f,--file", o.file, "read the text from a file (read and spoken piece by piece)");
    say->add_option("-o,--output,-w", o.out,
                    "output WAV file (default tarvox.wav); \"-\" writes the WAV to standard output");
    say->add_flag("--stdout", o.to_stdout,
                  "write raw samples to standard output: 16000 per second, 16-bit signed little "
                  "endian, mono, no header");
    say->add_flag("--stdout-wav", o.stdout_wav,
                  "write a WAV stream to standard output (its header gives no length)");
    say->add_option("-s,--rate", o.rate, "speaking rate, -10 (slow) .. 10 (fast), as the platform's rate")
        ->check(CLI::Range(-10, 10));
    say->add_option("-p,--pitch", o.pitch,
                    "pitch, -10 .. 10, as the platform's middle pitch adjustment (one step raises "
                    "the engine's pitch offset by 2.5, at most 20)")
        ->check(CLI::Range(-10, 10));
    say->add_option("-a,--volume", o.volume,
                    "volume, 0 .. 100, as the platform's volume (100, its default, doubles the "
                    "samples, clipped at the 16-bit limits)")
        ->check(CLI::Range(0, 100));
    say->add_option("--mark", o.marks,
                    "POS:NAME  a bookmark before character POS of the text (0 = its start); "
                    "the engine reports it as an event. May be given more than once")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    say->add_flag("--events", o.events,
                  "print the events, one a line: audio offset in bytes, kind (sentence, word, "
                  "bookmark), text position and length in characters, and a bookmark's name "
                  "(to standard error when the audio goes to standard output)");
    say->add_flag("--platform", o.platform,
                  "speak through the speech platform's engine object, as a screen reader's "
                  "platform does: the whole text is one request, written when it is synthesised");
    say->get_option("--stdout")->excludes("--stdout-wav");
    CLI::App* phonemes = app.add_subcommand("phonemes", "print the phoneme strings");
    common(phonemes);
    CLI::App* normalize = app.add_subcommand("normalize", "print the normalised text");
    common(normalize);
    CLI11_PARSE(app, argc, argv);

    try {
        if (version) {
            std::cout << "tarvox " << TARVOX_VERSION << "\n";
            return 0;
        }
        if (list_voices) return ListVoices();
        if (say->parsed()) return Say(o);
        if (phonemes->parsed() || normalize->parsed()) return PrintTranscriptions(o, normalize->parsed());
        std::cout << app.help();
        return 1;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
