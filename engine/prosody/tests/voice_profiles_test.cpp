// The profiles of the voice in voices/ must load and run: the converter's
// tables from its gfp.ini, the prosody stages from mikro.ini and makro.ini.
#include <gtest/gtest.h>

#include "base/diag.h"
#include "fixture.h"
#include "lexicon/char_classes.h"
#include "prosody/makro.h"
#include "prosody/mikro.h"

namespace tarvox {
namespace {

using testing::ProsodyDataDir;

TEST(VoiceProfiles, QuenlarOrinLoadsAndRuns) {
    const char* root = std::getenv("TARVOX_SOURCE_DIR");
    const std::string voice = std::string(root ? root : ".") + "/voices/quenlar-orin/";
    ClearError();
    Profile gfp(voice + "gfp.ini", false);
    ASSERT_TRUE(gfp.IsLoaded());
    CharClasses classes;
    ASSERT_EQ(classes.Read(gfp), 0) << LastError();
    Syllabifier syllables;
    ASSERT_EQ(
        syllables.pripravi_zlogovanje(gfp, ProsodyDataDir() + "stat/", classes.ForcedSeparator()),
        0)
        << LastError();
    const Phonology phonology{&classes, &syllables.inventory(), &syllables};

    TMikro mikro(voice + "mikro.ini", phonology);
    TMakro makro(voice + "makro.ini", phonology);
    mikro.Reset(0);
    ASSERT_EQ(mikro.Run("zaka:j jE ja:nEs Zi:vEw lju:bljani , vEnda:r nE do:ma ? .", 0), 0)
        << LastError();
    ASSERT_FALSE(mikro.Records().empty());
    ASSERT_EQ(makro.Run(mikro.Records()), 0) << LastError();
    EXPECT_EQ(makro.Records().size(), mikro.Records().size());
    for (const StageRecord& r : makro.Records()) {
        EXPECT_GT(r.duration, -1) << SymbolOf(r.symbol);
        if (SymbolOf(r.symbol) != "_") {
            EXPECT_GT(r.duration, 0) << SymbolOf(r.symbol);
        }
    }
}

}  // namespace
}  // namespace tarvox
