// The waveform generator: back-end synthesis of a long sentence (Init, Glue,
// rendering) with samples in memory and in the file, loading a 50 MB voice
// database with its samples and opening it with the samples left in the file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/records.h"
#include "lexicon/sampa.h"
#include "synth/db_writer.h"
#include "synth/psola.h"
#include "synth/cipher.h"
#include "synth/voice_db.h"

namespace {

using namespace tarvox;

constexpr char kSymbols[] = "aAeEiIoOuUbdfghjklmnprstvzSZ@ ";

class Lcg {
public:
    std::uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_ = 12345;
};

// A synthetic voice: alophones of random symbols, each a few periods of a
// sine at 80-200 Hz with exact pitch marks, about `megabytes` of samples.
struct BenchVoice {
    std::filesystem::path dir;
    std::string database;
    std::string costs;
    std::vector<std::uint8_t> transcription;

    explicit BenchVoice(int megabytes) {
        dir = std::filesystem::temp_directory_path() /
              ("tarvox-bench-voice-" + std::to_string(megabytes));
        std::filesystem::create_directories(dir);
        database = (dir / "QuenlarOrin.dat").string();
        costs = (dir / "Cost.dat").string();

        Lcg rng;
        VoiceDatabaseContent content;
        const std::size_t target = static_cast<std::size_t>(megabytes) * 1024 * 1024 / 2;
        std::vector<std::int16_t> samples(800, 0);
        std::vector<std::int32_t> marks;
        std::vector<std::int32_t> first;
        std::string symbols;
        while (samples.size() < target) {
            const char symbol = kSymbols[rng.Below(static_cast<int>(sizeof kSymbols) - 1)];
            const int period = 80 + rng.Below(121);
            const int periods = 4 + rng.Below(8);
            symbols.push_back(symbol);
            first.push_back(static_cast<std::int32_t>(marks.size()));
            for (int p = 0; p < periods; ++p) {
                marks.push_back(static_cast<std::int32_t>(samples.size()));
                for (int n = 0; n < period; ++n)
                    samples.push_back(static_cast<std::int16_t>(
                        symbol == ' ' ? 0 : std::lround(9000 * std::sin(2 * M_PI * n / period))));
            }
        }
        first.push_back(static_cast<std::int32_t>(marks.size()));
        marks.push_back(static_cast<std::int32_t>(samples.size()));
        marks.push_back(static_cast<std::int32_t>(samples.size()) + 160);
        samples.resize(samples.size() + 1000, 0);
        content.AppendRecording(samples, symbols, marks, first);
        transcription = content.transcription;

        std::string error;
        std::vector<CostEntry> cost_entries;
        for (const char* name : {"a", "e:", "i", "o:", "u", "n", "m", "l", "r", "j", "_"})
            cost_entries.push_back({name, name[0] == '_' ? 1 : 3});
        if (WriteVoiceDatabase(database, content, error) != 0 ||
            WriteCostFile(costs, cost_entries, error) != 0)
            database.clear();
    }
    ~BenchVoice() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

BenchVoice& Voice50() {
    static BenchVoice voice(50);
    return voice;
}

// A long sentence: stretches of the recorded transcription (so that the
// units are long, as with a real voice) with random phonemes between them,
// 80 ms per phoneme, the pitch gliding between 90 and 140 Hz.
std::vector<PhonemeRecord> LongSentence(const BenchVoice& voice, int phonemes, double& seconds) {
    Lcg rng;
    std::vector<PhonemeRecord> records;
    auto add = [&](std::uint8_t symbol) {
        PhonemeRecord r{};
        const std::string_view name = SampaOfSymbol(symbol);
        SetSymbol(r.symbol, name);
        r.duration = 60 + rng.Below(50);
        const bool pause = symbol == ' ';
        const int f = 90 + rng.Below(50);
        r.pitch_start = pause ? 0 : f;
        r.pitch_mid = pause ? 0 : f + 10;
        r.pitch_end = pause ? 0 : f - 5;
        records.push_back(r);
    };
    add(' ');
    while (static_cast<int>(records.size()) < phonemes) {
        const int start = rng.Below(static_cast<int>(voice.transcription.size()) - 20);
        const int length = 4 + rng.Below(8);
        for (int i = 0; i < length; ++i) add(voice.transcription[static_cast<std::size_t>(start + i)]);
        add(static_cast<std::uint8_t>(kSymbols[rng.Below(static_cast<int>(sizeof kSymbols) - 1)]));
    }
    add(' ');
    seconds = 0;
    for (const PhonemeRecord& r : records) seconds += r.duration / 1000.0;
    records.push_back(PhonemeRecord{});
    return records;
}

void Synthesis(benchmark::State& state, bool in_memory) {
    BenchVoice& voice = Voice50();
    if (voice.database.empty()) {
        state.SkipWithError("voice database not written");
        return;
    }
    TPsola psola(voice.database, voice.costs, in_memory);
    double seconds = 0;
    const std::vector<PhonemeRecord> sentence = LongSentence(voice, static_cast<int>(state.range(0)), seconds);
    std::size_t samples = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(psola.Run(sentence));
        samples = psola.Samples().size();
    }
    state.counters["audio_s"] = static_cast<double>(samples) / kSampleRate;
    state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(samples) / kSampleRate,
                                                      benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SynthesisMemory(benchmark::State& state) { Synthesis(state, true); }
void BM_SynthesisFile(benchmark::State& state) { Synthesis(state, false); }
BENCHMARK(BM_SynthesisMemory)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesisFile)->Arg(400)->Unit(benchmark::kMillisecond);

void Load(benchmark::State& state, bool in_memory) {
    BenchVoice& voice = Voice50();
    for (auto _ : state) {
        VoiceDatabase db;
        benchmark::DoNotOptimize(loadtables(voice.database, in_memory, db));
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(voice.database)) / 1048576.0;
}

void BM_LoadDatabaseMemory(benchmark::State& state) { Load(state, true); }
void BM_OpenDatabaseFileMode(benchmark::State& state) { Load(state, false); }
BENCHMARK(BM_LoadDatabaseMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDatabaseFileMode)->Unit(benchmark::kMillisecond);

// Fetching windows of samples from the file: one positioned read on the
// handle kept open (what the generator does), against opening, seeking,
// reading and closing the file for every window.
std::vector<std::pair<std::int64_t, std::size_t>> Windows(const VoiceDatabase& db) {
    Lcg rng;
    std::vector<std::pair<std::int64_t, std::size_t>> windows;
    for (int i = 0; i < 2000; ++i) {
        const std::size_t width = 2 * static_cast<std::size_t>(80 + rng.Below(121)) + 1;
        windows.push_back({400 + rng.Below(db.SampleCount() - 1000), width});
    }
    return windows;
}

void BM_WindowFetchPositioned(benchmark::State& state) {
    VoiceDatabase db;
    loadtables(Voice50().database, false, db);
    const auto windows = Windows(db);
    std::vector<std::int16_t> out(401);
    for (auto _ : state)
        for (const auto& [first, width] : windows)
            benchmark::DoNotOptimize(db.FetchSamples(first, std::span(out).first(width)));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(windows.size()));
}
BENCHMARK(BM_WindowFetchPositioned)->Unit(benchmark::kMillisecond);

void BM_WindowFetchReopen(benchmark::State& state) {
    VoiceDatabase db;
    loadtables(Voice50().database, false, db);
    const auto windows = Windows(db);
    const std::int64_t offset = db.Sources()[0].first_sample_offset;
    std::vector<std::int16_t> out(401);
    for (auto _ : state) {
        for (const auto& [first, width] : windows) {
            FilePtr f = OpenFile(Voice50().database, "rb");
            std::fseek(f.get(), static_cast<long>(offset + 2 * first), SEEK_SET);
            const std::size_t n = std::fread(out.data(), 2, width, f.get());
            ApplyDbCipher({reinterpret_cast<std::uint8_t*>(out.data()), 2 * n},
                          static_cast<std::uint64_t>(2 * first));
            benchmark::DoNotOptimize(n);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(windows.size()));
}
BENCHMARK(BM_WindowFetchReopen)->Unit(benchmark::kMillisecond);

}  // namespace
