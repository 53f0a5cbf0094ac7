// Dictionary loading and lookup: the index-mode load of 100,000 entries
// (the engine's start-up cost for a full dictionary), the file-mode load of
// the same entries for comparison, and lookups.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "lexicon/dictionary.h"

namespace {

constexpr int kEntries = 100000;

// Word-like keys of 4 to 12 letters and SAMPA-like pronunciations.
std::string Word(int i) {
    static const char* syllables[] = {"ma", "ko", "stri", "ne", "lu", "pa",  "ze", "vo",
                                      "ri", "da", "sto",  "ti", "be", "gra", "nu", "je"};
    std::string w;
    unsigned v = static_cast<unsigned>(i) * 2654435761u;
    for (int k = 0; k < 2 + (i % 4); ++k) {
        w += syllables[v % 16];
        v /= 16;
    }
    return w + std::to_string(i % 97);
}

struct Fixture {
    std::filesystem::path dir;
    std::string index;
    std::vector<std::string> keys;

    Fixture() {
        dir = std::filesystem::temp_directory_path() /
              ("tarvox-lexicon-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "slovarji");
        {
            std::ofstream out(dir / "slovarji" / "osnovni.dct", std::ios::binary);
            for (int i = 0; i < kEntries; ++i) {
                keys.push_back(Word(i));
                out << keys.back() << '\t' << keys.back() << ":\r\n";
            }
        }
        tarvox::Dictionary d;
        d.LoadFiles((dir / "slovarji").string(), true, {});
        const std::vector<char> image = tarvox::BuildIndexImage(d);
        index = (dir / "QuenlarOrin.ndx").string();
        std::ofstream(index, std::ios::binary)
            .write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

void BM_IndexLoad100k(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        tarvox::Dictionary d;
        if (d.LoadIndex(f.index) != 0) state.SkipWithError("index did not load");
        benchmark::DoNotOptimize(d.Size());
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_IndexLoad100k)->Unit(benchmark::kMillisecond);

void BM_FileLoad100k(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state) {
        tarvox::Dictionary d;
        if (d.LoadFiles((f.dir / "slovarji").string(), true, {}) != 0)
            state.SkipWithError("files did not load");
        benchmark::DoNotOptimize(d.Size());
    }
}
BENCHMARK(BM_FileLoad100k)->Unit(benchmark::kMillisecond);

void BM_Lookup(benchmark::State& state) {
    const Fixture& f = Data();
    tarvox::Dictionary d;
    d.LoadIndex(f.index);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(d.Lookup(f.keys[i]));
        i = (i + 7919) % f.keys.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Lookup);

}  // namespace
