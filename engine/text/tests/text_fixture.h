// The tables of the fixture profile, read as the converter reads them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "support/test_files.h"
#include "text/normaliser.h"
#include "text/tests/fixture_profile.h"

namespace tarvox::testing {

struct TextFixture {
    TextFixture() : TextFixture(FixtureProfile()) {}
    explicit TextFixture(const std::string& content) {
        Profile profile(dir.Write("gfp.ini", content), false);
        EXPECT_TRUE(profile.IsLoaded());
        EXPECT_EQ(classes.Read(profile), 0);
        EXPECT_EQ(numbers.Read(profile), 0);
        EXPECT_EQ(abbreviations.Read(profile), 0);
        EXPECT_EQ(times.Read(profile), 0);
    }
    TextSteps Steps() const {
        return TextSteps{classes, times, abbreviations, numbers, phrases, capitals, filter, sms};
    }

    TempDir dir;
    CharClasses classes;
    NumberTables numbers;
    AbbreviationTable abbreviations;
    TimeTables times;
    PhraseLookup phrases;
    CapitalFormLookup capitals;
    FilterSwitches filter;
    bool sms = false;
};

}  // namespace tarvox::testing
