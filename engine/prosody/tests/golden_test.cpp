// A Slovenian sentence from phonemes through Prozodija with the real micro
// and macro prosody and the golden profiles; the three stage dumps must
// equal the reviewed files in tests/data/golden. With TARVOX_UPDATE_GOLDEN
// set the dumps are copied there instead (review the difference by hand).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "base/config.h"
#include "driver/sint.h"
#include "driver/standin_stages.h"
#include "fixture.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"

namespace tarvox {
namespace {

using testing::PhonologyFixture;
using testing::ProsodyDataDir;
using testing::ReadFile;
using testing::TempDir;

// "Ana ve da Janez zivi v Ljubljani, zakaj pa ne?"
constexpr char kSentence[] = "a:na vE: da ja:nEs Zi:vi v lju:bljani , za:kaj pa nE ?";

TEST(Golden, SentenceThroughProzodija) {
    PhonologyFixture fx;
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "log");
    for (const char* f : {"mikro.ini", "makro.ini"})
        std::filesystem::copy_file(ProsodyDataDir() + f, dir.file(f));
    dir.Write("sint.ini",
              "ini_mikro = mikro.ini\nini_makro = makro.ini\nini_gfp = gfp.ini\ndct_dir = d\n"
              "stat_dir = s\nlog_dir = log\nport = 1\npisi_dnevnik = true\n");
    Configuration cfg;
    cfg.SetBaseDirectory(dir.path().string());
    ASSERT_EQ(cfg.ProcessSintIni(), 0);

    StageFactory f;
    f.converter = [](const Configuration&) { return MakeStandInConverter(); };
    f.micro = [&](const Configuration& c, IConverter&) -> std::unique_ptr<IMicroProsody> {
        return std::make_unique<TMikro>(c.IniMikro(), fx.phonology);
    };
    f.macro = [&](const Configuration& c, IConverter&) -> std::unique_ptr<IMacroProsody> {
        return std::make_unique<TMakro>(c.IniMakro(), fx.phonology);
    };
    f.wave = [](const Configuration&) { return MakeStandInWave(); };
    Sint sint(cfg, f);
    ASSERT_EQ(sint.InitSint(), 0) << LastError();
    ASSERT_EQ(sint.Prozodija(kSentence), 0) << LastError();

    const std::string golden = ProsodyDataDir() + "golden/";
    const bool update = std::getenv("TARVOX_UPDATE_GOLDEN") != nullptr;
    for (const char* name : {"mikro.out", "makro.out", "convert.out"}) {
        SCOPED_TRACE(name);
        const std::string produced = ReadFile((dir.path() / "log" / name).string());
        ASSERT_FALSE(produced.empty());
        if (update) {
            std::filesystem::create_directories(golden);
            std::ofstream(golden + name, std::ios::binary) << produced;
            continue;
        }
        EXPECT_EQ(produced, ReadFile(golden + name));
    }
    // The macro stage keeps the record count; every list starts with the pause.
    EXPECT_EQ(sint.OutputList().front().duration, 50);
}

}  // namespace
}  // namespace tarvox

namespace tarvox {
namespace {

// Odd text never breaks the stages: random bytes, long words, runs of
// marks; micro prosody succeeds or reports failure, macro prosody keeps the
// record count.
TEST(Robustness, RandomTranscriptions) {
    testing::PhonologyFixture fx;
    TMikro mikro(testing::ProsodyDataDir() + "mikro.ini", fx.phonology);
    TMakro makro(testing::ProsodyDataDir() + "makro.ini", fx.phonology);
    std::mt19937 rng(7);
    const std::string alphabet = "aEiOu@:tkpbdgszSZmnlrjvw .,!?;-_\t\"'x";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const std::size_t length = rng() % 850;
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(round % 3 == 0 ? static_cast<char>(1 + rng() % 255)
                                          : alphabet[rng() % alphabet.size()]);
        mikro.SetTempo(static_cast<int>(rng() % 21) - 10);
        const int r = mikro.Run(text.c_str(), 0);
        ASSERT_TRUE(r == 0 || r == -2) << text;
        ASSERT_EQ(makro.Run(mikro.Records()), 0);
        ASSERT_EQ(makro.Records().size(), mikro.Records().size());
    }
    // One word far beyond 66 characters and 64 phonemes.
    ASSERT_EQ(mikro.Run(std::string(400, 'a').c_str(), 0), 0);
    EXPECT_EQ(mikro.Records().size(), 65u);  // 64 phonemes and the appended mark
}

}  // namespace
}  // namespace tarvox
