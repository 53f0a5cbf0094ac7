// tarvox: speak Slovenian text into a WAV file, and show what the converter
// makes of it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/files.h"
#include "driver/sint.h"
#include "gfp/gfp.h"
#include "text/codepage.h"
#include "text/text_pieces.h"
#include "default_voice.h"
#include "engine_speaker.h"
#include "wav_writer.h"

namespace {

struct Options {
    std::vector<std::string> text;
    std::string file;
    std::string out = "tarvox.wav";
    bool to_stdout = false;
    // The voice installed beside this program (PREFIX/bin/tarvox ->
    // PREFIX/share/tarvox/voices/quenlar-orin), else the build tree's.
    std::string voice = tarvox::tools::DefaultVoice(TARVOX_DEFAULT_VOICE, TARVOX_INSTALLED_VOICE);
    int rate = 0;
    int pitch = 0;
    int volume = 100;
    bool ascii7 = false;
    bool events = false;
    std::vector<std::string> marks;
    bool verbose = false;
};

int Fail(const std::string& message) {
    std::cerr << "tarvox: " << message << "\n";
    return 1;
}

// Loads the configuration and the stages of the voice (the waveform
// generator only when audio is wanted); an error line or "".
std::string StartEngine(const Options& o, bool audio) {
    using namespace tarvox;
    if (!PathExists(o.voice)) return "voice directory not found: " + o.voice;
    SetBaseDirectory(o.voice);
    if (process_sint_ini_file() < 0) return "cannot read the voice configuration: " + LastError();
    EngineConfiguration().switches().index_mode = true;
    if (InitSint() < 0) return "cannot initialise the engine: " + LastError();
    if (audio && !InitPsola()) return "cannot load the voice database: " + LastError();
    return "";
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

std::string ReadInput(const Options& o, std::string& error) {
    if (!o.text.empty()) {
        std::string joined;
        for (const std::string& t : o.text) joined += (joined.empty() ? "" : " ") + t;
        return joined;
    }
    std::ostringstream buf;
    if (!o.file.empty()) {
        std::ifstream in(o.file, std::ios::binary);
        if (!in) {
            error = "cannot read " + o.file;
            return "";
        }
        buf << in.rdbuf();
    } else {
        buf << std::cin.rdbuf();
    }
    return buf.str();
}

// Speaks the text as the speech platform would: through the engine object
// (made by the component's class factory) with a voice token of the voice
// directory and an output site that writes the audio as it arrives.
int Say(const Options& o) {
    using namespace tarvox;
    std::string error;
    const std::string utf8 = ReadInput(o, error);
    if (!error.empty()) return Fail(error);
    if (!PathExists(o.voice)) return Fail("voice directory not found: " + o.voice);
    std::vector<cli::Bookmark> marks;
    for (const std::string& spec : o.marks) {
        auto mark = cli::ParseBookmark(spec);
        if (!mark) return Fail("--mark wants POS:NAME, not " + spec);
        marks.push_back(std::move(*mark));
    }
    IClassFactory* factory = cli::ProcessClassFactory();
    if (!factory) return Fail("the engine's class factory is not available");
    struct FactoryRef {
        IClassFactory* f;
        ~FactoryRef() { f->Release(); }
    } factory_ref{factory};

    cli::SampleSink sink(o.to_stdout ? "-" : o.out, o.to_stdout);
    if (!sink.ok()) return Fail(sink.error());
    std::ostream& event_out = o.to_stdout ? std::cerr : std::cout;
    cli::SpeakSettings settings;
    settings.voice_dir = o.voice;
    settings.ascii7 = o.ascii7;
    settings.rate = o.rate;
    settings.volume = o.volume;
    settings.pitch = o.pitch;
    // Sentence by sentence: the first sentence's audio leaves at once.
    settings.first_sentence = [](const char* text) -> std::size_t {
        return GrafemskoFonemskaPretvorba(text) > 0 ? ConsumedInput() : 0;
    };
    const cli::SpeakOutcome outcome = cli::SpeakThroughEngine(
        *factory, settings, utf8, marks,
        [&](std::span<const std::int16_t> samples) { return sink.Write(samples); },
        [&](const cli::SpokenEvent& e) {
            if (o.events) event_out << cli::FormatEvent(e) << "\n";
        });
    if (!sink.ok()) return Fail(sink.error());
    if (!outcome.error.empty()) return Fail(outcome.error);
    if (o.verbose)
        std::cerr << "[tarvox] " << sink.written() << " samples ("
                  << static_cast<double>(sink.written()) / 16000.0 << " s)\n";
    return 0;
}

// Prints one line per input line: the converter's output for its sentences
// (phoneme strings, or with `normalised` the text as word conversion gets it).
int Transcribe(const Options& o, bool normalised) {
    using namespace tarvox;
    if (auto e = StartEngine(o, false); !e.empty()) return Fail(e);
    const auto* gfp = dynamic_cast<const TGfp*>(Engine().converter());
    if (normalised && !gfp) return Fail("the voice's converter cannot show its normalised text");
    auto line_out = [&](const std::string& utf8) {
        std::string joined;
        const std::string text = Utf8ToCp1250(utf8);
        for (std::string_view piece : SplitIntoPieces(text)) {
            const std::string p(piece);
            if (p.find_first_not_of(" \t\r\n") == std::string::npos) continue;
            for (int r = GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
                 r = GrafemskoFonemskaPretvorba(nullptr)) {
                if (!joined.empty()) joined += ' ';
                if (normalised) {
                    std::string_view sentence = gfp->NormalisedSentence();
                    if (sentence.substr(0, 2) == ". ") sentence.remove_prefix(2);
                    joined += LettersOf(sentence);
                } else {
                    joined += CurrentTranscription();
                }
            }
        }
        std::cout << Cp1250ToUtf8(joined) << "\n";
    };
    if (!o.text.empty()) {
        std::string joined;
        for (const std::string& t : o.text) joined += (joined.empty() ? "" : " ") + t;
        line_out(joined);
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) line_out(line);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"tarvox - Slovenian text-to-speech"};
    app.require_subcommand(1);
    Options o;
    auto common = [&o](CLI::App* sub) {
        sub->add_option("text", o.text, "text to speak (default: standard input)");
        sub->add_option("--voice", o.voice, "voice directory")->capture_default_str();
        sub->add_flag("--verbose", o.verbose, "show the engine's trace and errors");
    };
    CLI::App* say = app.add_subcommand("say", "speak text into a WAV file");
    common(say);
    say->add_option("-f,--file", o.file, "read the text from a file");
    say->add_option("-o,--output", o.out, "output WAV file")->capture_default_str();
    say->add_flag("--stdout", o.to_stdout, "write raw 16-bit samples to standard output");
    say->add_option("--rate", o.rate, "speaking rate, as the platform's rate")
        ->check(CLI::Range(-10, 10));
    say->add_option("--pitch", o.pitch,
                    "pitch, as the platform's middle pitch adjustment (one step raises the "
                    "engine's pitch offset by 2.5, at most 20)")
        ->check(CLI::Range(-10, 10));
    say->add_option("--volume", o.volume,
                    "volume, as the platform's volume (100, its default, doubles the samples, "
                    "clipped at the 16-bit limits)")
        ->check(CLI::Range(0, 100));
    say->add_flag("--ascii7", o.ascii7,
                  "the voice's YU-ASCII mode, the token's Mode 1: the signs that YU-ASCII uses "
                  "for letters (such as ^ ~ [ { @ `) are read as those letters");
    say->add_option("--mark", o.marks,
                    "POS:NAME  a bookmark before character POS of the text (0 = its start); "
                    "the engine reports it as an event. May be given more than once")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    say->add_flag("--events", o.events,
                  "print the engine's events, one a line: audio offset in bytes, kind (word, "
                  "bookmark), text position and length (in characters), and a bookmark's "
                  "name (to standard error with --stdout)");
    CLI::App* phonemes = app.add_subcommand("phonemes", "print the phoneme strings");
    common(phonemes);
    CLI::App* normalize = app.add_subcommand("normalize", "print the normalised text");
    common(normalize);
    CLI11_PARSE(app, argc, argv);

    if (o.verbose)
        tarvox::SetTraceHook([](std::string_view t) { std::cerr << "[sled] " << t << "\n"; });
    try {
        if (say->parsed()) return Say(o);
        return Transcribe(o, normalize->parsed());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
