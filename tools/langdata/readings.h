// The readings (gender, number, case) of Slovenian word forms for the
// converter profile's ending table (oblike_koncnice) and exception list
// (oblike_izjeme), counted from a listing of a morphological analyser's
// paths: lines "lemma<n><f><sg><nom>:form", as lt-paradigm -a writes them
// for nouns (<n>), proper nouns (<np>) and adjectives (<adj>).
//
// A reading code is the gender (m masculine, a masculine animate, z
// feminine, s neuter), the number (e singular, d dual, m plural) and the
// case digit (1 nominative ... 6 instrumental): "ze2".
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::langdata {

// A word in lower case: ASCII and the capitals of c, s, z with caron, c
// with acute and d with stroke (the letters the letter code knows).
std::string LowerUtf8(std::string_view s);

// Every form (lower case, converter's letter code) with its readings and
// the lemmas it belongs to. Lines that are not noun or adjective paths, or
// whose form has letters outside the Slovenian alphabet, are skipped.
struct FormReadings {
    std::set<std::string> codes;
    std::set<std::string> lemmas;
    bool given_name = false;  // a form of a given name (<np><ant>)
};
std::map<std::string, FormReadings> ReadParadigmListing(std::string_view text, std::size_t& skipped);

struct EndingOptions {
    std::size_t max_ending = 5;    // longest ending counted
    std::size_t min_forms = 40;    // an ending is kept when this many forms end with it
    double min_share = 0.1;        // a reading is listed when this share of the forms has it
    std::size_t max_readings = 12;  // at most this many readings per ending
    bool given_names = true;        // forms of given names may be exceptions (titles agree with them)
};

struct ReadingTables {
    // Ending and its codes, likeliest first, shortest endings first.
    std::vector<std::pair<std::string, std::string>> endings;
    // Forms of the exception lemmas whose readings the endings miss.
    std::vector<std::pair<std::string, std::string>> exceptions;
};

// The readings the ending table gives a form (its longest listed ending).
std::string PredictedReadings(const ReadingTables& tables, std::string_view form);

// `extra` are exceptions given by hand (form, codes) for words the analyser
// lacks; they are listed as given.
ReadingTables BuildReadingTables(const std::map<std::string, FormReadings>& forms,
                                 const std::set<std::string>& exception_lemmas,
                                 const EndingOptions& options,
                                 const std::vector<std::pair<std::string, std::string>>& extra = {});

// The two lists in the profile's syntax, pairs separated by tabs.
std::string ProfileLists(const ReadingTables& tables);

}  // namespace tarvox::langdata
