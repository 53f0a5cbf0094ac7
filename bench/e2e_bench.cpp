// End to end with the bundled voice: Slovenian text to samples through the
// driver (converter, prosody, unit conversion, unit selection, PSOLA), the
// voice database in memory. Reports the real-time factor (seconds of audio
// per second of CPU) and the engine's start-up.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "driver/sint.h"
#include "text/codepage.h"
#include "text/text_pieces.h"

namespace {

std::string Sentences() {
    std::ifstream in(TARVOX_CHECK_SENTENCES);
    std::ostringstream s;
    s << in.rdbuf();
    return tarvox::Utf8ToCp1250(s.str());
}

// Starts the process-wide engine once, with the samples in memory.
bool Started() {
    static const bool started = [] {
        using namespace tarvox;
        SetBaseDirectory(TARVOX_VOICE_DIR);
        if (process_sint_ini_file() < 0) return false;
        EngineConfiguration().switches().vzorci_v_pomnilniku = true;
        return InitSint() == 0 && InitPsola();
    }();
    return started;
}

void BM_TextToSamples(benchmark::State& state) {
    if (!Started()) {
        state.SkipWithError("the bundled voice is not built");
        return;
    }
    const std::string text = Sentences();
    std::int64_t samples = 0;
    for (auto _ : state) {
        for (std::string_view piece : tarvox::SplitIntoPieces(text)) {
            const std::string p(piece);
            for (int r = tarvox::GrafemskoFonemskaPretvorba(p.c_str()); r > 0;
                 r = tarvox::GrafemskoFonemskaPretvorba(nullptr)) {
                if (tarvox::Prozodija(nullptr) != 0) continue;
                std::int32_t n = 0;
                benchmark::DoNotOptimize(tarvox::SintezaGovoraStream(n));
                samples += n;
            }
        }
    }
    state.counters["audio_s"] = benchmark::Counter(static_cast<double>(samples) / 16000.0);
    // audio seconds per CPU second
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(samples) / 16000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextToSamples)->Unit(benchmark::kMillisecond);

// Configuration, profiles, dictionaries and database, then release.
void BM_StartUp(benchmark::State& state) {
    const bool in_memory = state.range(0) != 0;
    for (auto _ : state) {
        tarvox::Configuration config;
        tarvox::Sint sint(config);
        config.SetBaseDirectory(TARVOX_VOICE_DIR);
        if (config.ProcessSintIni() < 0) {
            state.SkipWithError("the bundled voice is not built");
            return;
        }
        config.switches().vzorci_v_pomnilniku = in_memory;
        benchmark::DoNotOptimize(sint.InitSint());
        benchmark::DoNotOptimize(sint.InitPsola());
    }
    state.SetLabel(in_memory ? "samples in memory" : "samples on file");
}
BENCHMARK(BM_StartUp)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
