// The text normalisation of the converter: the tables of the text steps
// and the sentence division, behind one seam.
//
//   initialisation (init_gfp_profile), at their places in the step list:
//     PrepareNumbers        pripravi_stevilke   number words
//     PrepareAbbreviations  pripravi_okrajsave  abbreviation table
//     PrepareTimes          pripravi_ure        time-expression words
//     PrepareReading        reading in context, characters above 0x7F and
//                           beyond the code page, acronyms' letter names,
//                           mala_crka_nadaljuje_stavek (the division)
//   for every new text: PrepareText (the whole-text steps), then
//     NextSentence(text) starts the sentence division;
//   per sentence: NormaliseSentence (the per-sentence steps).
//
// The order of the steps is text/normaliser's. The tables the steps consult
// are bound once by the converter (Bind) and stay valid until the next Bind
// or Release; the steps never keep pointers into the text. The sentence
// division's pending text belongs to this object, so each converter divides
// its own text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/abbreviations.h"
#include "text/capitals.h"
#include "text/character_filter.h"
#include "text/codepage.h"
#include "text/context_reader.h"
#include "text/normaliser.h"
#include "text/numbers.h"
#include "text/sentence_splitter.h"
#include "text/time_expressions.h"

namespace tarvox {

class CharClasses;
class Dictionary;
class PhraseList;
class Profile;
struct Switches;

inline constexpr std::size_t kWholeTextSize = 10240;   // whole-text buffers, bytes

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
    // beri_v_sobesedilu with its tables, znaki_1250, imena_crk, znaki_unicode.
    int PrepareReading(Profile& profile);
    // Frees the tables and the pending text.
    void Release();

    void Bind(const NormalisationTables& tables) { tables_ = tables; }

    // The whole-text steps on the first 10240 bytes of `in`, into `out`;
    // `scratch` is the second buffer they alternate with.
    bool PrepareText(std::string_view in, std::string& out, std::string& scratch) const;

    // Sentence division. With a text: replaces the pending text by it and
    // writes its first sentence; without: the next sentence of the pending
    // text. Returns the bytes written to `sentence` (at most 10240); 0 when
    // nothing is left, and the pending text is then released.
    int NextSentence(std::optional<std::string_view> text, std::string& sentence);
    // How far the division has read the text it was given (bytes).
    std::size_t SentencePosition() const { return splitter_.Position(); }

    // The per-sentence steps on ". " and at most 850 bytes of the sentence.
    void NormaliseSentence(std::string_view sentence, std::string& out) const;

    // What the voice reads for characters beyond Windows-1250 (for the
    // conversion of a request's text, before Convert).
    const CodePointReadings& CodePoints() const { return code_points_; }

private:
    TextSteps Steps() const;

    NormalisationTables tables_;
    NumberTables numbers_;
    AbbreviationTable abbreviations_;
    TimeTables times_;
    ContextTables context_;
    ByteReadings bytes_;
    LetterNames letter_names_;
    CodePointReadings code_points_;
    SentenceSplitter splitter_;
    bool lower_case_continues_ = false;
};

}  // namespace tarvox
