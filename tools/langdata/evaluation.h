// Scores of a converter's transcriptions against a lexicon's: the share of
// words with every sound right, the phoneme error rate, and the share of
// words with sounds, stress position and stressed-vowel quality right, and
// the share with the main stress on the right syllable whatever the sounds.
//
// "Sounds" compares the names with the stress taken away: a stressed vowel
// counts as its unstressed counterpart (a: as a, e: and E: as E, o: and O:
// as O), and W (v before a voiceless consonant) as w, which the back end
// speaks alike. The full comparison takes the names as they are (W and w
// still alike), so the stressed syllable and a stressed vowel's quality
// must both be right. "Sounds with quality" is the sounds comparison with
// the quality of a stressed e or o kept (e: as e, E: as E), the stress
// itself still taken away.
//
// Two things are not held against the converter: a nasal before f, v or w
// counts as the labiodental nasal F whichever way either side writes it
// (the lexicon writes m or n where the speaker says F); and a word of one
// syllable that the converter reads stressless (a clitic: je, se, ga) is
// right when its sounds are, though the lexicon gives its stressed form
// as a word alone.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ipa.h"

namespace tarvox::langdata {

// The name with stress and stressed-vowel quality removed.
std::string SoundOf(const std::string& name);

// Edit distance (insertions, deletions, substitutions of whole names).
std::size_t EditDistance(const Phonemes& a, const Phonemes& b);

struct WordScore {
    bool sounds_right = false;
    bool quality_right = false;  // sounds with the stressed e/o quality
    bool all_right = false;  // sounds, stress position and quality
    bool stress_right = false;  // the main stress on the same syllable (counted from the start)
    std::size_t edits = 0;   // on the sounds
    std::size_t length = 0;  // reference names
};

WordScore ScoreWord(const Phonemes& reference, const Phonemes& hypothesis);

struct Scores {
    std::size_t words = 0;
    std::size_t sounds_right = 0;
    std::size_t quality_right = 0;
    std::size_t all_right = 0;
    std::size_t stress_right = 0;
    std::size_t edits = 0;
    std::size_t length = 0;

    void Add(const WordScore& w);
    double SoundsRate() const;     // share of words with every sound right
    double QualityRate() const;    // the same with the stressed e/o quality
    double PhonemeErrorRate() const;
    double AllRightRate() const;   // share with sounds, stress and quality right
    double StressRate() const;     // share with the main stress on the right syllable
};

}  // namespace tarvox::langdata
