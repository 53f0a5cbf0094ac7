// A Slovenian sentence from phonemes through Prozodija with the real micro
// and macro prosody and the golden profiles; the three stage dumps must
// equal the reviewed files in tests/data/golden. With TARVOX_UPDATE_GOLDEN
// set the dumps are copied there instead (review the difference by hand).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "driver/config.h"
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
