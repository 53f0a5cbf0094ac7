// Loading and querying a large profile.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/profile.h"

namespace {

std::string MakeProfile(int variables) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "tarvox-bench-profile.ini").string();
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < variables; ++i) {
        out << "spremenljivka_" << i << " = ";
        for (int j = 0; j < 20; ++j) out << (i * 31 + j) % 977 << '\t';
        out << "\r\n\t";
        for (int j = 0; j < 20; ++j) out << "beseda" << j << '\t';
        out << "\r\n# komentar\r\n";
    }
    return path;
}

void BM_LoadProfile(benchmark::State& state) {
    const std::string path = MakeProfile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tarvox::Profile p(path, false);
        benchmark::DoNotOptimize(p.IsLoaded());
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadProfile)->Arg(100)->Arg(2000);

void BM_QueryProfile(benchmark::State& state) {
    const std::string path = MakeProfile(2000);
    tarvox::Profile p(path, false);
    std::vector<std::int32_t> numbers;
    std::string text;
    int i = 0;
    for (auto _ : state) {
        const std::string name = "spremenljivka_" + std::to_string(i++ % 2000);
        benchmark::DoNotOptimize(p.GetLongArray(name, '\t', numbers));
        benchmark::DoNotOptimize(p.GetString(name, text));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_QueryProfile);

}  // namespace
