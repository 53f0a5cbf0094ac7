// Stress placement for words that the dictionaries do not hold, and the
// clitic classes that decide how words are joined in the phoneme string.
//
// The stressed syllable is marked by "/" in front of its nucleus. A nucleus
// is a vowel letter (class samoglasniki), or an "r" with no vowel on either
// side (syllabic r, as in 'trg'). The accent lists of the profile decide
// first (word beginnings, prefixes and endings); when they do not, the
// syllabification tables decide (see lexicon/syllables.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class CharClasses;
class Profile;

// Whether word[i] is a syllable nucleus.
bool IsNucleus(std::string_view word, std::size_t i, const CharClasses& classes);

// Number of nuclei up to the first blank or the end.
int SyllableCount(std::string_view word, const CharClasses& classes);

// A blank, the word with "/" before its k-th nucleus (1-based), a blank. A
// word without that nucleus gets no "/".
std::string MarkStress(std::string_view word, int syllable, const CharClasses& classes);

// The accent lists: prvi_zlog, predpone, koncppz, koncpz, konczad.
class AccentLists {
public:
    // The step "pripravi_naglase": 0, or -1 after reporting
    // "Napaka: v ini datoteki (ini_gfp): pripravi_naglase" (a list missing,
    // or predpone without items).
    int Read(Profile& profile);

    // The stressed syllable (1-based) that the lists give for the word, or 0
    // when they do not decide.
    int StressByLists(std::string_view word, const CharClasses& classes) const;

    void SetLists(std::vector<std::string> first_syllable, std::vector<std::string> prefixes,
                  std::vector<std::string> antepenult_endings,
                  std::vector<std::string> penult_endings, std::vector<std::string> final_endings);

    // The key najdaljsa_koncnica = 1: the longest ending of the three lists
    // that the word has decides (ica before ca, ovec before ec), a tie
    // going to the final, then the penultimate list. Absent or 0: the
    // lists are tried in their order, final, penultimate, antepenultimate.
    void SetLongestEndingWins(bool on) { longest_wins_ = on; }
    bool LongestEndingWins() const { return longest_wins_; }

private:
    // Which list decides: 3 final, 2 penultimate, 1 antepenultimate, 0 none.
    int DecidingList(std::string_view word, int syllables) const;

    std::vector<std::string> first_syllable_;  // prvi_zlog
    std::vector<std::string> prefixes_;        // predpone
    std::vector<std::string> antepenult_;      // koncppz
    std::vector<std::string> penult_;          // koncpz
    std::vector<std::string> final_;           // konczad
    bool longest_wins_ = false;                // najdaljsa_koncnica
};

// Clitic classes: 3 for a word of proklitike_ali_enklitike, else 1 for a
// word of proklitike, else 0. Bit 2 (value 2) means the word leans on the
// word before it.
inline constexpr int kCliticLeansBack = 2;

class CliticLists {
public:
    // The step "pripravi_naslonke": proklitike, proklitike_ali_enklitike
    // (each sorted by byte value) and lepi_le_enkrat. Missing lists mean
    // that no word is a clitic; the step never fails.
    void Read(Profile& profile);
    void SetLists(std::vector<std::string> proclitics, std::vector<std::string> either,
                  bool glue_once);

    int ClassOf(std::string_view word) const;
    bool GlueOnce() const { return glue_once_; }

private:
    std::vector<std::string> proclitics_;  // proklitike
    std::vector<std::string> either_;      // proklitike_ali_enklitike
    bool glue_once_ = false;               // lepi_le_enkrat
};

}  // namespace tarvox
