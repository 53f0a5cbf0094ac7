// Syllable statistics of a stressed lexicon: for every pattern of a word's
// syllables (its sonority letters v/z/n, or its vowel/consonant letters
// v/c, divided into syllables by the engine's own division) the stressed
// syllable seen most often, and for every pattern with a stressed e or o
// the quality seen most often. The converter consults them for words that
// neither its dictionaries nor its accent lists decide.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lexicon.h"

namespace tarvox {
class Syllabifier;
}

namespace tarvox::langdata {

struct SyllableStatistics {
    // Pattern (syllables joined by ".") to counts of the stressed syllable.
    std::map<std::string, std::map<int, int>> sonority, vowel_consonant;
    // Pattern with "/e" or "/o" at the stressed nucleus to counts of the
    // quality letter ("e"/"E", "o"/"O").
    std::map<std::string, std::map<char, int>> sonority_e, sonority_o, vc_e, vc_o;
    // Words by syllable count, and counts of the stressed syllable.
    std::map<int, std::map<int, int>> by_length;
    std::size_t used = 0;
    std::size_t skipped = 0;  // no stressed vowel, or syllables that do not match
};

// The syllable (1-based) of a pronunciation's main stress, and the name of
// its vowel; 0 when no vowel is stressed. A word with two stressed vowels
// (superlatives in naj-, compounds: najlep{i, avtocesta) has its main
// stress on the last of them; the first is the secondary stress of the
// prefix or the first member, which the letter-to-sound rules write.
int StressedSyllable(const Phonemes& phonemes, std::string* vowel = nullptr);

struct CountOptions {
    // Words whose stressed syllable the converter's accent lists decide
    // never reach the stress tables: they are left out of vzn/vc (and of
    // by_length) so that the tables learn only from the words they will
    // serve. They still count for the e/o quality, which the tables decide
    // for every word. Empty: every word counts.
    std::function<bool(std::string_view key)> decided_by_lists;
};

// Counts the entries (lower-case words only). The syllabifier must hold the
// letter inventory of the converter profile.
SyllableStatistics CountSyllables(const std::vector<LexiconEntry>& entries,
                                  const Syllabifier& syllabifier,
                                  const CountOptions& options = {});

struct TableOptions {
    // A stress pattern seen in fewer words is left out, so that the word
    // falls through to the coarser vowel/consonant table or to
    // najverjetnejsi_zlogi instead of following one or two examples.
    int min_stress_words = 1;
    // The same for the e/o quality patterns; without a record the rules
    // give a close e or o.
    int min_quality_words = 1;
};

// The six table files, by file name ("vzn.out", "vc.out", "vzn_e.out",
// "vzn_o.out", "vc_e.out", "vc_o.out"), ready to be written. Ties go to the
// smaller syllable number and to the letter that sorts first. A table with
// no pattern gets one record with the key "-", which no word has, because
// the converter does not start with an empty table.
std::map<std::string, std::string> TableFiles(const SyllableStatistics& stats,
                                              const TableOptions& options = {});

// The most frequent stressed syllable for 1, 2, ... syllables (up to the
// longest word seen), tab-separated: a value for najverjetnejsi_zlogi.
std::string MostLikelySyllables(const SyllableStatistics& stats);

}  // namespace tarvox::langdata
