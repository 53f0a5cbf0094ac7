// The inflected forms of the lexicon's nouns and adjectives as dictionary
// entries: a form's pronunciation is the converter's, with the stress and
// the quality of the stressed e or o carried from its lemma where the
// paradigm keeps the stress on the stem.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ipa.h"

namespace tarvox::langdata {

struct Lemma {
    Phonemes phonemes;       // the lexicon's pronunciation
    bool long_stress = true;  // the stressed vowel is long (":" in the IPA)
    bool verb = false;        // an infinitive, its forms from the verb paradigms
};

// Why a form gets no carried pronunciation.
enum class CarryResult {
    kCarried,
    kOneSyllable,      // one-syllable lemmas move the stress (mož, možje; grad, gradu)
    kStressedEnding,   // the stress is on the lemma's final vowel (gospa, gospe)
    kShortFinalEO,     // a short final e/o changes quality in the paradigm (kmet, kmeta)
    kNoMainStress,     // the lemma has no stress, or two
    kStemDiffers,      // the form's vowels up to the stressed one are not the lemma's
    kThemeVowel,       // a verb stressed on the vowel before -ti moves it (pisáti, píšem)
};

// The form's pronunciation from the converter's (`converted`, rules only)
// with the stress moved to the lemma's stressed vowel (counted from the
// word's start) and that vowel's quality taken from the lemma; every other
// vowel unstressed. `result` says why there is none.
std::optional<Phonemes> CarryStress(const Lemma& lemma, const Phonemes& converted,
                                    CarryResult& result);

// The paradigms file (nouns and adjectives, or verbs), "lemma<TAB>form form ..." a line: each form (lower
// case, letter code) with the lemmas it belongs to (letter code). Forms
// outside the letter code's alphabet are left out.
using ParadigmForms = std::map<std::string, std::set<std::string>>;
ParadigmForms ReadParadigms(std::string_view text);

// A word list, one word a line ("#" comments), in the letter code.
std::vector<std::string> ReadWordList(std::string_view text);

// The word lists' corrections of the rules' reading: the last vowel, a
// schwa, becomes a full E (kFullE: hotel, not hot@l); a final w becomes l
// (kFinalL: signal); the e before the l of an l-participle (the last
// vowel, or the one before a vowel ending), an e or a schwa, becomes a
// stressed close e and the only stress (kStressedParticipleE: živél, živéla,
// sprejél). Nothing when the reading has no such sound.
enum class ListFix { kFullE, kFinalL, kStressedParticipleE };
std::optional<Phonemes> ApplyListFix(Phonemes converted, ListFix fix);

}  // namespace tarvox::langdata
