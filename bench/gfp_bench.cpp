// Throughput of the grapheme-to-phoneme converter, in words per second: a
// long Slovenian text (internal letter code) through TGfp with a profile of
// the size a voice carries (about a hundred letter-to-sound rules, accent and
// clitic lists, syllable tables of a few hundred patterns, a dictionary).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/config.h"
#include "gfp/gfp.h"
#include "gfp/tests/gfp_profile.h"
#include "text/text_pieces.h"

namespace {

namespace fs = std::filesystem;
using tarvox::testing::GfpProfile;
using tarvox::testing::Items;

void WriteFile(const fs::path& p, const std::string& content) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
}

// Letter-to-sound rules in the shape of a real rule set: stressed vowels,
// voicing assimilation inside and across the word end, l and v before
// consonants, digraphs, syllabic r, and one plain rule per letter last.
std::string RealisticRules() {
    std::vector<std::string> r;
    auto rule = [&r](std::string l, std::string t, std::string rc, std::string out) {
        for (std::string* s : {&l, &t, &rc, &out})
            if (s->empty()) *s = "=";
        r.insert(r.end(), {l, t, rc, out});
    };
    const char* stressed[][2] = {{"/a", "a:"}, {"/e", "e:"}, {"/E", "E:"}, {"/i", "i:"},
                                 {"/o", "o:"}, {"/O", "O:"}, {"/u", "u:"}, {"/r", "@r"}};
    for (auto& s : stressed) rule("", s[0], "", s[1]);
    const char* devoice[][2] = {{"b", "p"}, {"d", "t"}, {"g", "k"}, {"z", "s"}, {"`", "S"}};
    for (auto& d : devoice) {
        rule("", d[0], "T", d[1]);
        rule("", d[0], "_", d[1]);
    }
    const char* voice[][2] = {{"p", "b"}, {"t", "d"}, {"k", "g"}, {"s", "z"}, {"{", "Z"},
                              {"c", "dz"}, {"~", "dZ"}};
    for (auto& v : voice) rule("", v[0], "P", v[1]);
    rule("_", "v", "C", "u");
    rule("", "v", "C", "w");
    rule("", "v", "_", "w");
    rule("V", "l", "C", "w");
    rule("V", "l", "_", "w");
    rule("", "d`", "", "dZ");
    rule("C", "r", "C", "@r");
    rule("_", "r", "C", "@r");
    rule("", "ije", "", "ijE");
    rule("", "~", "", "tS");
    rule("", "{", "", "S");
    rule("", "`", "", "Z");
    rule("", "c", "", "ts");
    rule("", "h", "", "x");
    rule("", "x", "", "ks");
    rule("", "q", "", "k");
    rule("", "y", "", "i");
    rule("", "w", "", "v");
    for (const char c : std::string("abdefgijklmnoprstuvz")) rule("", std::string(1, c), "", std::string(1, c));
    for (const char c : std::string(".,!?;:-")) rule("", std::string(1, c), "", std::string(1, c));
    std::string text;
    for (std::size_t i = 0; i < r.size(); i += 4)
        text += r[i] + "\t" + r[i + 1] + "\t" + r[i + 2] + "\t" + r[i + 3] + "\n";
    return text;
}

// Divided sonority (or vowel/consonant) patterns of one to three syllables.
std::string PatternTable(const std::vector<std::string>& syllables, bool quality) {
    std::vector<std::string> keys;
    for (const auto& a : syllables) {
        keys.push_back(a);
        for (const auto& b : syllables) {
            keys.push_back(a + "." + b);
            for (const auto& c : syllables) keys.push_back(a + "." + b + "." + c);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int syllable_count = 1 + static_cast<int>(std::count(keys[i].begin(), keys[i].end(), '.'));
        if (quality)
            text += keys[i] + "/e\t" + (i % 2 ? "E" : "e") + "\n";
        else
            text += keys[i] + " " + std::to_string(1 + static_cast<int>(i) % syllable_count) + " 1\n";
    }
    return text;
}

constexpr char kParagraph[] =
    "Ljubljana je glavno mesto Slovenije in njeno najve~je mesto. Le`i v osrednjem delu "
    "dr`ave, ob reki Ljubljanici, med Alpami in Krasom. V mestu `ivi pribli`no dvesto "
    "osemdeset tiso~ prebivalcev. Mesto ima bogato zgodovino, ki sega v ~as rimske Emone. "
    "Staro mestno jedro je polno baro~nih hi{ in ozkih ulic, po katerih se sprehajajo "
    "doma~ini in turisti. Na gri~u nad mestom stoji grad, s katerega se odpira lep pogled na "
    "strehe in gore v daljavi. Univerza v Ljubljani je najstarej{a in najve~ja univerza v "
    "dr`avi. Poleti se na trgih odvijajo koncerti, gledali{ke predstave in festivali. Pozimi "
    "mesto okrasijo lu~ke, na stojnicah pa prodajajo kuhano vino in pecivo. Ljubljana je "
    "znana tudi po svojih zelenih povr{inah in mostovih, ki jih je zasnoval arhitekt Jo`e "
    "Ple~nik.\n";

struct Voice {
    Voice() {
        dir = fs::temp_directory_path() / ("tarvox-bench-gfp-" + std::to_string(std::random_device{}()));
        GfpProfile p;
        p.vars["pravila"] = RealisticRules();
        p.vars["podpirajASCII7"] = "true";
        p.vars["predpone"] = Items({"po", "pre", "pri", "za", "na", "od", "raz", "iz", "do"});
        p.vars["koncpz"] = Items({"ati", "iti", "ega", "emu", "ami", "ah", "ih"});
        p.vars["koncppz"] = Items({"ica", "ina", "ost", "ovanje"});
        p.vars["konczad"] = Items({"ost", "ec", "ar"});
        p.vars["proklitike"] = Items({"v", "k", "s", "z", "na", "po", "ob", "pri", "od", "do"});
        p.vars["proklitike_ali_enklitike"] = Items({"je", "se", "si", "so", "mi", "ti", "ga"});
        WriteFile(dir / "gfp.ini", p.Text());
        WriteFile(dir / "sint.ini",
                  "ini_mikro = mikro.ini\nini_makro = makro.ini\nini_gfp = gfp.ini\n"
                  "dct_dir = slovarji\nstat_dir = stat\nlog_dir = log\n"
                  "dovoli_uporabniske_slovarje = true\ndovoli_nesifrirane_slovarje = true\n");
        const std::vector<std::string> vzn = {"v", "zv", "nv", "nzv", "vn", "zvn", "nvz"};
        const std::vector<std::string> vc = {"v", "cv", "cvc", "ccv", "vc"};
        WriteFile(dir / "stat/vzn.out", PatternTable(vzn, false));
        WriteFile(dir / "stat/vc.out", PatternTable(vc, false));
        WriteFile(dir / "stat/vzn_e.out", PatternTable(vzn, true));
        WriteFile(dir / "stat/vzn_o.out", PatternTable(vzn, true));
        WriteFile(dir / "stat/vc_e.out", PatternTable(vc, true));
        WriteFile(dir / "stat/vc_o.out", PatternTable(vc, true));
        WriteFile(dir / "slovarji/osnovni.dct",
                  "in\tin\r\nje\tjE\r\nna\tna\r\nmesto\tme:stO\r\nki\tki\r\nv\tw\r\n"
                  "se\tsE\r\nLjubljana\tljublja:na\r\nSlovenije\tslOve:nijE\r\n");
        config.SetBaseDirectory(dir.string());
        ok = config.ProcessSintIni() == 0;
        if (ok) gfp = std::make_unique<tarvox::TGfp>(config.IniGfp(), config);
    }
    ~Voice() {
        gfp.reset();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    tarvox::Configuration config;
    std::unique_ptr<tarvox::TGfp> gfp;
    bool ok = false;
};

void BM_ConvertText(benchmark::State& state) {
    Voice voice;
    if (!voice.ok || !voice.gfp) {
        state.SkipWithError("the benchmark voice does not load");
        return;
    }
    std::string text;
    while (text.size() < 40000) text += kParagraph;  // about 5000 words
    const std::vector<std::string_view> pieces = tarvox::SplitIntoPieces(text);
    std::vector<std::string> owned(pieces.begin(), pieces.end());
    std::size_t words = 0;
    bool in_word = false;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank && !in_word) ++words;
        in_word = !blank;
    }
    std::size_t sentences = 0;
    for (auto _ : state) {
        for (const std::string& piece : owned)
            for (int r = voice.gfp->Convert(piece.c_str(), true); r > 0;
                 r = voice.gfp->Convert(nullptr, true))
                ++sentences;
        benchmark::DoNotOptimize(voice.gfp->Output());
    }
    state.counters["words/s"] = benchmark::Counter(
        static_cast<double>(words) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.counters["words"] = static_cast<double>(words);
    state.counters["sentences"] = static_cast<double>(sentences / state.iterations());
}
BENCHMARK(BM_ConvertText)->Unit(benchmark::kMillisecond);

// Everyday text with numbers, units, dates and abbreviations through the
// built voice "Quenlar Orin": argument 1 with its profile as it is (numbers
// read in context), 0 with the lists of the reading in context, the
// characters and the letter names cut off.
constexpr char kNumbersParagraph[] =
    "Mesto ima 290.000 prebivalcev in 3 ve~je parke. Pred 3 tedni je dr. Novak z 1 roko "
    "podpisal pogodbo za 2.500 EUR. Temperatura je padla na -5 \xB0" "C, zapadlo je 12 cm snega. "
    "Od 3. do 5. 7. bo zaprto, odprto pa spet 1. 9. 2026. Rast je bila 4,5 %, proizvodnja "
    "3.400.000 ton. Vlak odpelje s 3. perona ob 8:15, vozi s hitrostjo 90 km/h. Kupil sem "
    "2 kg jabolk in 0,5 l mleka za 3 EUR. Kapela sv. Ane stoji od l. 1848. Na tekmi je bilo "
    "37.000 gledalcev in 4 fantje iz na{e vasi. Projekt stane 8 mio. EUR.\n";

void BM_ConvertVoiceText(benchmark::State& state) {
    const fs::path voice = TARVOX_VOICE_BUILD_DIR;
    if (!fs::exists(voice / "stat/vzn.out")) {
        state.SkipWithError("the built voice is missing");
        return;
    }
    const fs::path dir = fs::temp_directory_path() / ("tarvox-bench-voice-" + std::to_string(std::random_device{}()));
    for (const char* sub : {"stat", "slovarji", "log", "data"}) {
        fs::create_directories(dir / sub);
        for (const auto& f : fs::directory_iterator(voice / sub))
            if (f.path().extension() != ".dat") fs::copy_file(f.path(), dir / sub / f.path().filename());
    }
    for (const char* file : {"sint.ini", "mikro.ini", "makro.ini", "gfp.ini"}) fs::copy_file(voice / file, dir / file);
    if (state.range(0) == 0) {
        std::ifstream in(dir / "gfp.ini", std::ios::binary);
        std::string profile((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        profile.resize(profile.rfind("# ----", profile.find("beri_v_sobesedilu")));
        WriteFile(dir / "gfp.ini", profile);
    }
    {
        tarvox::Configuration config;
        config.SetBaseDirectory(dir.string() + "/");
        std::unique_ptr<tarvox::TGfp> gfp;
        if (config.ProcessSintIni() == 0) gfp = std::make_unique<tarvox::TGfp>(config.IniGfp(), config);
        if (!gfp) {
            state.SkipWithError("the voice does not load");
        } else {
            config.switches().podpiraj_ascii7 = true;  // the text is in the letter code
            std::string text;
            while (text.size() < 40000) text += kNumbersParagraph;
            const std::vector<std::string_view> pieces = tarvox::SplitIntoPieces(text);
            std::vector<std::string> owned(pieces.begin(), pieces.end());
            std::size_t words = 0;
            bool in_word = false;
            for (const char c : text) {
                const bool blank = c == ' ' || c == '\n';
                if (!blank && !in_word) ++words;
                in_word = !blank;
            }
            for (auto _ : state) {
                for (const std::string& piece : owned)
                    for (int r = gfp->Convert(piece.c_str(), true); r > 0; r = gfp->Convert(nullptr, true)) {
                    }
                benchmark::DoNotOptimize(gfp->Output());
            }
            state.counters["words/s"] = benchmark::Counter(
                static_cast<double>(words) * static_cast<double>(state.iterations()),
                benchmark::Counter::kIsRate);
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(BM_ConvertVoiceText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
