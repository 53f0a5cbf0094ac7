// Throughput of the text normalisation chain (whole-text steps, sentence
// division, per-sentence steps) on a long mixed Slovenian text, in
// characters per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "text/normaliser.h"
#include "text/tests/fixture_profile.h"

namespace {

struct Tables {
    Tables() {
        const std::string path =
            (std::filesystem::temp_directory_path() / "tarvox-bench-text.ini").string();
        {
            std::ofstream out(path, std::ios::binary);
            out << tarvox::testing::FixtureProfile();
        }
        tarvox::Profile profile(path, false);
        ok = profile.IsLoaded() && classes.Read(profile) == 0 && numbers.Read(profile) == 0 &&
             abbreviations.Read(profile) == 0 && times.Read(profile) == 0;
        std::remove(path.c_str());
    }
    tarvox::TextSteps Steps() const {
        return tarvox::TextSteps{classes, times, abbreviations, numbers, {}, {}, {}, false};
    }
    bool ok = false;
    tarvox::CharClasses classes;
    tarvox::NumberTables numbers;
    tarvox::AbbreviationTable abbreviations;
    tarvox::TimeTables times;
};

// About 10000 bytes of text with numbers, dates, times, units, currencies,
// abbreviations and acronyms (Windows-1250).
std::string MixedText() {
    const std::string paragraph =
        "Dr. Novak je 5. maja 2023 ob 8:15 pri\x9A" "el v Ljubljano, kjer je bilo 23 stopinj. "
        "Kupil je 2 kg jabolk in 3 l mleka za 11,40 EUR, npr. za dru\x9Eino. "
        "Ali ve\x9A, koliko stane 1.000 kWh? V EU \x9Eivi 447 milijonov ljudi, NATO pa ima 32 "
        "\x9Alanic. Vlak odpelje okoli 17:45 in pripelje ob 19h; pot je dolga 125 km.\n\n"
        "Telefonska \x9Atevilka je 041234567, sporo\xE8ilo pa ima 160 znakov. ";
    std::string text;
    while (text.size() + paragraph.size() < tarvox::kTextBufferSize) text += paragraph;
    return text;
}

void BM_NormaliseText(benchmark::State& state) {
    static const Tables tables;
    if (!tables.ok) {
        state.SkipWithError("the fixture profile did not load");
        return;
    }
    const std::string text = MixedText();
    const tarvox::TextSteps steps = tables.Steps();
    for (auto _ : state) {
        auto sentences = tarvox::NormaliseText(text, steps);
        benchmark::DoNotOptimize(sentences.data());
    }
    const auto chars = static_cast<double>(text.size());
    state.counters["chars/s"] =
        benchmark::Counter(chars, benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_NormaliseText);

}  // namespace
