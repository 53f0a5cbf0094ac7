// The text normalisation steps that the converter runs, behind one seam.
//
// The converter calls every normalisation step and every text-table step
// through this class and nothing else, in its fixed order:
//
//   initialisation (init_gfp_profile), at their places in the step list:
//     PrepareNumbers        pripravi_stevilke   number words
//     PrepareAbbreviations  pripravi_okrajsave  abbreviation table
//     PrepareTimes          pripravi_ure        time-expression words
//   whole text, for every new text (at most 10240 bytes in and out):
//     FilterCharacters, ExpandTimes, ExpandAbbreviations, SubstitutePhrases,
//     then NextSentence(text) starts the sentence division
//   per sentence (". " + the sentence; output bounded at 776 bytes):
//     ExpandUnits, ExpandNumbers, Capitalise
//
// Every step reads `in` and replaces `out`; `in` and `out` never alias (the
// converter swaps its work and second buffers between steps). The tables the
// steps consult are bound once by the converter (Bind) and stay valid until
// the next Bind or Release; the steps never keep pointers into the text.
//
// The steps are the text normalisation units of engine/text; this class
// holds their tables (number words, abbreviations, time words) and binds
// them to the converter's character classes, switches and dictionaries. The
// sentence division keeps its pending text in the process-wide splitter:
// there is one converter per process.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/abbreviations.h"
#include "text/numbers.h"
#include "text/time_expressions.h"

namespace tarvox {

class CharClasses;
class Dictionary;
class PhraseList;
class Profile;
struct Switches;

inline constexpr std::size_t kWholeTextSize = 10240;   // whole-text buffers, bytes
inline constexpr std::size_t kSentenceOutputLimit = 776;  // per-sentence output, bytes

// What the steps read besides the text. All owned by the converter.
struct NormalisationTables {
    const CharClasses* classes = nullptr;   // class table, case, forced separator
    const Switches* switches = nullptr;     // kovrat_filter, podpiraj_ascii7,
                                            // sumniki_z_narekovaji, sms_delovanje
    const Dictionary* dictionary = nullptr;  // capital runs that are entries
    const PhraseList* phrases = nullptr;     // the "*.pdc" phrase lists
};

class Normalisation {
public:
    // Table steps: 0, or -1 after reporting the step's own message
    // (PrepareNumbers: "Napaka: v ini datoteki (ini_gfp): pripravi_stevilke").
    int PrepareNumbers(Profile& profile);
    int PrepareAbbreviations(Profile& profile);
    int PrepareTimes(Profile& profile);
    // Frees the tables and the pending text.
    void Release();

    void Bind(const NormalisationTables& tables) { tables_ = tables; }

    // Whole-text steps.
    void FilterCharacters(std::string_view in, std::string& out) const;
    void ExpandTimes(std::string_view in, std::string& out) const;
    void ExpandAbbreviations(std::string_view in, std::string& out) const;
    void SubstitutePhrases(std::string_view in, std::string& out) const;

    // Sentence division. With a text: replaces the pending text by it and
    // writes its first sentence; without: the next sentence of the pending
    // text. Returns the bytes written to `sentence` (at most 10240); 0 when
    // nothing is left, and the pending text is then released.
    int NextSentence(std::optional<std::string_view> text, std::string& sentence);
    // How far the division has read the text it was given (bytes).
    std::size_t SentencePosition() const;

    // Per-sentence steps. ExpandNumbers returns 0, or -1 with `out` holding
    // the sentence unchanged.
    void ExpandUnits(std::string_view in, std::string& out) const;
    int ExpandNumbers(std::string_view in, std::string& out) const;
    void Capitalise(std::string_view in, std::string& out) const;

private:
    NormalisationTables tables_;
    NumberTables numbers_;
    AbbreviationTable abbreviations_;
    TimeTables times_;
};

}  // namespace tarvox
