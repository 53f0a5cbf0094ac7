// Prosody of one 20-word sentence: micro prosody (durations, pitch) and
// macro prosody (intonation), with the voice's profiles (rate method 2) and
// with the golden-test profile (duration ladders, method 1). Reports
// phonemes per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "lexicon/syllables.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"

namespace {

const std::string kRoot = std::filesystem::path(__FILE__).parent_path().parent_path().string();
const std::string kData = kRoot + "/engine/prosody/tests/data/";

// "Ana ve da Janez zivi v Ljubljani, kjer dela v veliki stari hisi ob reki,
//  zakaj pa ne, saj je tam lepo."
constexpr char kSentence[] =
    "a:na vE: da ja:nEs Zi:vi v lju:bljani , kjE:r dE:la v vEli:ki sta:ri xi:Si Ob rE:ki , "
    "zaka:j pa nE , saj jE ta:m lEpo: . .";

struct Stages {
    explicit Stages(const std::string& dir) {
        tarvox::Profile gfp(dir + "gfp.ini", false);
        if (classes.Read(gfp) != 0 ||
            syllables.pripravi_zlogovanje(gfp, kData + "stat/", classes.ForcedSeparator()) != 0)
            throw -1;
        const tarvox::Phonology phonology{&classes, &syllables.inventory(), &syllables};
        mikro = std::make_unique<tarvox::TMikro>(dir + "mikro.ini", phonology);
        makro = std::make_unique<tarvox::TMakro>(dir + "makro.ini", phonology);
        mikro->Reset(0);
    }
    tarvox::CharClasses classes;
    tarvox::Syllabifier syllables;
    std::unique_ptr<tarvox::TMikro> mikro;
    std::unique_ptr<tarvox::TMakro> makro;
};

void RunProsody(benchmark::State& state, const std::string& dir) {
    Stages s(dir);
    std::size_t records = 0;
    for (auto _ : state) {
        if (s.mikro->Run(kSentence, 0) != 0 || s.makro->Run(s.mikro->Records()) != 0) {
            state.SkipWithError("prosody failed");
            break;
        }
        records = s.makro->Records().size();
        benchmark::DoNotOptimize(s.makro->Records().data());
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(records));
}

void BM_ProsodyVoiceProfiles(benchmark::State& state) {
    RunProsody(state, kRoot + "/voices/quenlar-orin/");
}
void BM_ProsodyDurationLadders(benchmark::State& state) {
    RunProsody(state, kData);
}

BENCHMARK(BM_ProsodyVoiceProfiles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProsodyDurationLadders)->Unit(benchmark::kMicrosecond);

}  // namespace
