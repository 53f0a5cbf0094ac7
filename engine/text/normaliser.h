// The text steps in their order, written once: the converter runs them
// through here, and so do the tests and benchmarks of the text steps.
//
//   whole text (at most 10240 bytes in, every step's output bounded to
//   10240 bytes): character filter, clock times, reading in context (when
//   the profile asks for it; its words may lengthen the text, and the
//   later steps may then write kReadTextFactor times as much),
//   abbreviations, phrases; then the sentence division;
//   per sentence (". " + at most 850 bytes of the sentence): units,
//   numbers, capitals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/abbreviations.h"
#include "text/capitals.h"
#include "text/character_filter.h"
#include "text/context_reader.h"
#include "text/numbers.h"
#include "text/phrases.h"
#include "text/time_expressions.h"

namespace tarvox {

class CharClasses;

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
    // Numbers, units and abbreviations read in context, when given and
    // enabled; acronyms spelled as one word of letter names, when given.
    const ContextTables* context = nullptr;
    const LetterNames* letter_names = nullptr;
    // The division: a full stop after a letter alone and before a
    // lower-case word ends no sentence.
    bool lower_case_continues = false;
};

// After the reading in context the whole-text steps may write this many
// times the text buffer.
inline constexpr std::size_t kReadTextFactor = 4;

// The whole-text steps on the first 10240 bytes of `text`, into `out`
// (replaced); `scratch` is a second buffer the steps alternate with. False
// when the text did not fit: longer than the buffer, or a step's output
// came so close to its limit that its tail may be cut or an expansion left
// out (a caller that can should give a shorter text).
bool PrepareText(std::string_view text, const TextSteps& steps, std::string& out,
                 std::string& scratch);
std::string PrepareText(std::string_view text, const TextSteps& steps);

// The per-sentence steps on a sentence as the division wrote it, into `out`
// (replaced). A sentence whose numbers cannot be read keeps them as written.
void NormaliseSentence(std::string_view sentence, const TextSteps& steps, std::string& out);
std::string NormaliseSentence(std::string_view sentence, const TextSteps& steps);

// The whole chain with a splitter of its own: the normalised sentences.
std::vector<std::string> NormaliseText(std::string_view text, const TextSteps& steps);

}  // namespace tarvox
