// Speaking rate of a voice on a long text, through the whole driver: the
// syllables per second of the rendered audio (pauses included, the leading
// 400 samples of every sentence left out) and the ratio of the rendered
// duration to the duration that the prosody planned, at the default rate
// and at the rates given.
//
//   bench_speech_rate [--voice DIR] [--text FILE] [RATE ...]
//
// The plan of a sentence is the sum of its output list's durations, each
// plosive counted with the tenth of its duration that the unit conversion
// leaves to the release (the closure takes nine tenths, the release
// record 0 ms). Syllables are the vowels of the output list; the rate
// without pauses leaves out the planned pauses.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/sint.h"
#include "synth/psola_render.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

namespace {

using namespace tarvox;

constexpr std::array<std::string_view, 14> kVowels = {"a", "a:", "e:", "E", "E:", "i", "i:",
                                                       "o:", "O", "O:", "u", "u:", "@", "@:"};

struct Totals {
    long long syllables = 0;
    double planned_ms = 0;
    double rendered_ms = 0;
    double pause_ms = 0;  // planned pauses (a pause renders as planned)
    double worst = 0;  // largest |rendered / planned - 1| of one sentence
    int sentences = 0;
};

void AddSentence(std::span<const PhonemeRecord> list, std::size_t samples, Totals& t) {
    double planned = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string_view s = SymbolOf(list[i].symbol);
        planned += list[i].duration;
        if (s == "_") t.pause_ms += list[i].duration;
        if (std::find(kVowels.begin(), kVowels.end(), s) != kVowels.end()) ++t.syllables;
        const bool closure = s == "-" || s == "=";
        if (closure && i + 1 < list.size() && list[i + 1].duration == 0)
            planned += list[i].duration / 9.0;
    }
    const double rendered =
        (static_cast<double>(samples) - kLeadingSilence) * 1000.0 / kSampleRate;
    t.planned_ms += planned;
    t.rendered_ms += rendered;
    t.worst = std::max(t.worst, std::abs(rendered / planned - 1));
    ++t.sentences;
}

bool Speak(Sint& sint, const std::string& text, Totals& t) {
    for (std::string_view piece : SplitIntoPieces(text)) {
        const std::string p(piece);
        for (int r = sint.GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
             r = sint.GrafemskoFonemskaPretvorba(nullptr)) {
            if (sint.Prozodija(nullptr) != 0) continue;
            std::int32_t n = 0;
            if (!sint.SintezaGovoraStream(n)) continue;
            AddSentence(sint.OutputList(), static_cast<std::size_t>(n), t);
        }
    }
    return t.sentences > 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string voice = TARVOX_VOICE_DIR;
    std::string text_file = TARVOX_CHECK_SENTENCES;
    std::vector<int> rates;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--voice" && i + 1 < argc) {
            voice = argv[++i];
        } else if (a == "--text" && i + 1 < argc) {
            text_file = argv[++i];
        } else if (a == "-h" || a == "--help") {
            std::printf("usage: %s [--voice DIR] [--text FILE] [RATE ...]\n", argv[0]);
            return 0;
        } else {
            rates.push_back(std::atoi(argv[i]));
        }
    }
    if (rates.empty()) rates.push_back(0);
    if (std::find(rates.begin(), rates.end(), 0) == rates.end()) rates.insert(rates.begin(), 0);

    std::ifstream in(text_file);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", text_file.c_str());
        return 1;
    }
    std::ostringstream s;
    s << in.rdbuf();
    const std::string text = Utf8ToCp1250(s.str());

    Configuration config;
    Sint sint(config);
    config.SetBaseDirectory(voice);
    if (config.ProcessSintIni() != 0 || sint.InitSint() != 0 || !sint.InitPsola()) {
        std::fprintf(stderr, "cannot start the voice in %s: %s\n", voice.c_str(),
                     LastError().c_str());
        return 1;
    }
    config.switches().pisi_dnevnik = false;

    std::printf("%s\n%s\n", voice.c_str(), text_file.c_str());
    std::printf(
        "rate  syllables/s  without_pauses  audio_s  rendered/planned  worst_sentence  "
        "length/default\n");
    double default_ms = 0;
    for (int rate : rates) {
        sint.SetTempo(rate);
        Totals t;
        if (!Speak(sint, text, t)) {
            std::fprintf(stderr, "no sentence was spoken\n");
            return 1;
        }
        if (rate == 0) default_ms = t.rendered_ms;
        const double syllables = static_cast<double>(t.syllables) * 1000.0;
        std::printf("%4d  %11.2f  %14.2f  %7.1f  %16.4f  %13.1f%%  %14.3f\n", rate,
                    syllables / t.rendered_ms, syllables / (t.rendered_ms - t.pause_ms),
                    t.rendered_ms / 1000.0, t.rendered_ms / t.planned_ms, 100 * t.worst,
                    default_ms > 0 ? t.rendered_ms / default_ms : 0.0);
    }
    sint.ReleaseSint();
    return 0;
}
