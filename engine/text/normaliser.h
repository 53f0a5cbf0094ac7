// The text steps of the converter in their order, for a caller that holds
// the tables: the whole-text steps (filter, times, abbreviations, phrases),
// the sentence division, and the per-sentence steps (units, numbers,
// capitals) on ". " and at most 850 bytes of each sentence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/abbreviations.h"
#include "text/capitals.h"
#include "text/character_filter.h"
#include "text/numbers.h"
#include "text/phrases.h"
#include "text/time_expressions.h"

namespace tarvox {

class CharClasses;
class SentenceSplitter;

// Bytes of a sentence that reach the per-sentence steps.
inline constexpr std::size_t kSentenceLimit = 850;

struct TextSteps {
    const CharClasses& classes;
    const TimeTables& times;
    const AbbreviationTable& abbreviations;
    const NumberTables& numbers;
    PhraseLookup phrases;        // may be empty: no phrase lists
    CapitalFormLookup capitals;  // may be empty: no dictionary
    FilterSwitches filter;
    bool sms_delovanje = false;
};

// The whole-text steps on the first 10240 bytes of `text`.
std::string PrepareText(std::string_view text, const TextSteps& steps);

// The per-sentence steps on a sentence as the division wrote it.
std::string NormaliseSentence(std::string_view sentence, const TextSteps& steps);

// The whole chain with a splitter of its own: the normalised sentences.
std::vector<std::string> NormaliseText(std::string_view text, const TextSteps& steps);

}  // namespace tarvox
