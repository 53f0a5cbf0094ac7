// End to end with the bundled voice: Slovenian text to samples through the
// driver's request (converter, prosody, unit conversion, unit selection,
// PSOLA), the voice database in memory. Reports the real-time factor (seconds of audio
// per second of CPU) and the engine's start-up.
#include <benchmark/benchmark.h>

#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include "driver/instance.h"
#include "driver/request.h"
#include "text/codepage.h"

namespace {

std::string Sentences() {
    std::ifstream in(TARVOX_CHECK_SENTENCES);
    std::ostringstream s;
    s << in.rdbuf();
    return tarvox::Utf8ToCp1250(s.str());
}

// Counts the samples a request gives.
class CountingSink final : public tarvox::RequestSink {
public:
    bool Event(const tarvox::RequestEvent&) override { return true; }
    bool Audio(std::span<const std::int16_t> samples) override {
        benchmark::DoNotOptimize(samples.data());
        samples_ += static_cast<std::int64_t>(samples.size());
        return true;
    }
    std::int64_t samples_ = 0;
};

// The engine of the bundled voice, started once, with the samples in memory.
tarvox::EngineInstance* Started() {
    static tarvox::EngineInstance* engine = [] {
        auto* e = new tarvox::EngineInstance();
        const auto in_memory = [](tarvox::Configuration& c) { c.switches().vzorci_v_pomnilniku = true; };
        if (!e->Start(TARVOX_VOICE_DIR, true, in_memory).ok()) return static_cast<tarvox::EngineInstance*>(nullptr);
        return e;
    }();
    return engine;
}

// The whole request through the driver, as the programs speak.
void BM_TextToSamples(benchmark::State& state) {
    tarvox::EngineInstance* engine = Started();
    if (!engine) {
        state.SkipWithError("the bundled voice is not built");
        return;
    }
    const tarvox::RequestText text = tarvox::RequestText::FromCodePage(Sentences());
    tarvox::RequestSettings settings;
    settings.words = false;
    settings.piece = std::numeric_limits<std::size_t>::max();
    CountingSink sink;
    for (auto _ : state) tarvox::Speak(*engine, text, settings, sink);
    const auto samples = static_cast<double>(sink.samples_);
    state.counters["audio_s"] = benchmark::Counter(samples / 16000.0);
    // audio seconds per CPU second
    state.counters["x_realtime"] = benchmark::Counter(samples / 16000.0, benchmark::Counter::kIsRate);
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
