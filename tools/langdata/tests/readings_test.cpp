#include "readings.h"

#include <gtest/gtest.h>

namespace tarvox::langdata {
namespace {

constexpr char kListing[] =
    "roka<n><f><sg><nom>:roka\n"
    "roka<n><f><sg><acc>:roko\n"
    "roka<n><f><sg><ins>:roko\n"
    "noga<n><f><sg><nom>:noga\n"
    "noga<n><f><sg><acc>:nogo\n"
    "sin<n><ma><sg><gen>:sina\n"
    "sin<n><ma><sg><acc>:sina\n"
    "nov<adj><m><sg><acc><def>:novega\n"
    "nov<adj><m><sg><acc><ind>:nov\n"
    "Čeh<np><ant><ma><sg><nom>:Čeh\n"
    "biti<vbser><pres>:je\n"
    "x<n><f><sg><nom>:Łódź\n";

TEST(Readings, ListingGivesCodesPerForm) {
    std::size_t skipped = 0;
    const auto forms = ReadParadigmListing(kListing, skipped);
    EXPECT_EQ(skipped, 2u);  // a verb, and a form outside the alphabet
    ASSERT_TRUE(forms.count("roko"));
    EXPECT_EQ(forms.at("roko").codes, (std::set<std::string>{"ze4", "ze6"}));
    EXPECT_EQ(forms.at("sina").codes, (std::set<std::string>{"ae2", "ae4"}));
    // An adjective's accusative in -ega is the animate one.
    EXPECT_EQ(forms.at("novega").codes, (std::set<std::string>{"ae4"}));
    EXPECT_EQ(forms.at("nov").codes, (std::set<std::string>{"me4"}));
    ASSERT_TRUE(forms.count("~eh"));
    EXPECT_TRUE(forms.at("~eh").given_name);
}

TEST(Readings, EndingsSayWhatTheirShorterEndingDoesNotAndExceptionsFillTheGaps) {
    std::size_t skipped = 0;
    const auto forms = ReadParadigmListing(kListing, skipped);
    EndingOptions options;
    options.min_forms = 2;
    const ReadingTables t = BuildReadingTables(forms, {"sin"}, options, {{"konja", "ae2"}});
    EXPECT_EQ(PredictedReadings(t, "voko"), "ze4,ze6");
    // sina: the ending "a" covers its readings, so it is no exception; a
    // given name that no ending covers is, and so is the form given by hand.
    EXPECT_NE(PredictedReadings(t, "sina").find("ae2"), std::string::npos);
    const std::vector<std::pair<std::string, std::string>> expected = {{"~eh", "ae1"}, {"konja", "ae2"}};
    EXPECT_EQ(t.exceptions, expected);
    const std::string lists = ProfileLists(t);
    EXPECT_EQ(lists.rfind("oblike_koncnice =\n\t", 0), 0u);
    EXPECT_NE(lists.find("\noblike_izjeme =\n\t"), std::string::npos);
}

}  // namespace
}  // namespace tarvox::langdata
