// The converter tables of the prosody tests, read from tests/data: the
// character classes, the inventories and the syllable division.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "lexicon/phonology.h"
#include "lexicon/syllables.h"
#include "support/test_files.h"

namespace tarvox::testing {

inline std::string ProsodyDataDir() {
    const char* root = std::getenv("TARVOX_SOURCE_DIR");
    return std::string(root ? root : ".") + "/engine/prosody/tests/data/";
}

struct PhonologyFixture {
    PhonologyFixture() {
        Profile gfp(ProsodyDataDir() + "gfp.ini", false);
        EXPECT_TRUE(gfp.IsLoaded());
        EXPECT_EQ(classes.Read(gfp), 0);
        EXPECT_EQ(syllables.pripravi_zlogovanje(gfp, ProsodyDataDir() + "stat/",
                                                classes.ForcedSeparator()),
                  0);
        phonology = {&classes, &syllables.inventory(), &syllables};
    }
    CharClasses classes;
    Syllabifier syllables;
    Phonology phonology;
};

}  // namespace tarvox::testing
