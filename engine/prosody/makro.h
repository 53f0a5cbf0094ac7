// Macro prosody: sentence intonation and phrase timing.
//
// The stage records of micro prosody are cut into phrases at the
// phrase-ending marks. Every phrase takes a sentence type from the mark that
// ends it (statement, question, non-final, exclamation), an intonation
// centre (a listed centre word, else its last accented phoneme), and the
// contour of its type: pitch factors at the first phoneme, the centre and
// the last phoneme, a duration factor for the centre and one for the whole
// phrase. Listed words set the length of the pause before them; special
// marks lengthen a pause. Every entry is written back under its SAMPA name,
// word boundaries and phrase-ending marks as "_"; the output has exactly as
// many records as the input.
//
// Decisions of our own, all tested:
//  - Before any phrase has set a type, the type is a statement. The type
//    then carries over from phrase to phrase and from run to run.
//  - An input symbol that is neither an inventory phoneme nor starts with a
//    punctuation character takes part as an ordinary phoneme (its pitch and
//    duration follow the contour) and is written back under its own name.
//  - A punctuation entry inside a phrase (neither a phrase-ending mark nor
//    the word boundary) is written as "_": it matches no inventory entry.
//  - A centre word without a long vowel can never give the centre.
//  - Time-line contour over a zero summed duration: the line stays flat at
//    its starting factor (no division by zero).
//  - Every value stored into a 16-bit field saturates at -32768 / 32767;
//    products are taken in 64 bits, so none wraps.
//  - A contour key with fewer than 7 numbers counts as missing.
//
// Beyond the Parts, two optional keys (absent: the behaviour above):
//  - "stavcna_intonacija_dopo" (7 numbers): the contour of a question whose
//    centre a centre word gives (a wh-question: high on the question word,
//    falling to the end), instead of the question contour (which rises);
//  - "razdeli_koncni_naglas" (non-zero): when a phrase's centre is its last
//    vowel, the centre is written as two records of half its duration, the
//    first at the centre's pitch, the second at the pitch of the contour's
//    end, so that the final rise or fall sounds inside that vowel (and not
//    on the consonants after it). The output then has one record more per
//    such phrase. A centre shorter than 20 ms stays whole.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/profile.h"
#include "base/stages.h"
#include "lexicon/phonology.h"

namespace tarvox {

class PhonemeInventory;

enum class SentenceType { Statement, Question, NonFinal, Exclamation };

// The seven numbers of one intonation contour.
struct Contour {
    int start = 100;            // pitch % at the first phoneme
    int centre = 100;           // pitch % at the centre
    int end = 100;              // pitch % at the last phoneme
    int centre_duration = 100;  // duration % of the centre phoneme
    int duration = 100;         // duration % of every phoneme of the phrase
    int slope_before = 0;       // thousandths of a % per ms
    int slope_after = 0;
};

// Everything read from the macro-prosody profile.
struct MakroTables {
    std::string punctuation;          // Nabor_locil
    std::vector<double> lengthening;  // Podaljsanje_locil, parallel to special
    std::string converted;            // Pretvorba_locil
    std::string output_symbols;       // Nabor_izhodnih_fonemov
    std::string accents;              // Nabor_naglasenosti
    std::string phrase_marks;         // Locila as characters
    std::string special;              // Posebna_locila as characters
    char boundary = ' ';              // Pretvorba_locil[Presledek]
    struct CentreWord {
        std::string symbols;  // output symbols
        int centre = -1;      // index of the first long vowel, -1 if none
    };
    std::vector<CentreWord> centre_words;     // izjeme_tez
    std::vector<std::string> pause_words;     // Izjeme_pre, in output symbols
    std::vector<std::int32_t> pause_lengths;  // Izjeme_pre_cas
    std::array<Contour, 4> contours{};        // by SentenceType
    bool limit_slope = false;                 // omeji_naklon
    bool time_line = false;                   // freq_po_premici
    bool has_wh_question = false;             // stavcna_intonacija_dopo given
    Contour wh_question;                      // stavcna_intonacija_dopo
    bool split_final_accent = false;          // razdeli_koncni_naglas
};

class TMakro final : public IMacroProsody {
  public:
    static constexpr std::size_t kMaxSetSize = 512;
    static constexpr std::size_t kMaxIndices = 64;
    static constexpr std::size_t kMaxExceptionWords = 99;

    // Throws an int when the name has neither form or the profile cannot be
    // read (after logging why).
    TMakro(std::string_view profile_path, const Phonology& phonology);
    ~TMakro() override;

    // Reads the profile again; true on success.
    bool Initialise(std::string_view profile_path, bool enciphered);

    // 0, -1 when the output cannot be prepared, -2 when processing fails.
    int Run(std::span<const StageRecord> records) override;
    std::span<const StageRecord> Records() const override { return output_; }
    void ReleaseOutput() { output_.clear(); }

    bool Created() const { return created_; }
    SentenceType Type() const { return type_; }
    // Whether the last phrase took the wh-question contour.
    bool WhQuestion() const { return wh_question_; }
    const MakroTables& tables() const { return tables_; }

  private:
    struct Entry {
        unsigned char symbol = 0;  // output symbol or converted punctuation
        char accent = 0;           // accent set character, 'l' for punctuation
        bool foreign = false;      // kept under its input name
        std::int16_t duration = 0;
        std::int16_t pitch = 0;
        std::size_t source = 0;  // index of the input record
    };

    bool ReadTables();
    std::string ToOutputSymbols(std::string_view sampa) const;
    int Makro(std::span<const StageRecord> in);
    void PauseExceptions(std::span<Entry> phrase, std::string_view text) const;
    // The centre of a phrase; `from_word` tells whether a centre word gave it.
    int Centre(std::string_view text, int accent, bool& from_word) const;
    bool IsVowel(const Entry& e, std::span<const StageRecord> in) const;
    void PhonemeCountContour(std::span<Entry> phrase, std::size_t k, const Contour& c) const;
    void TimeLineContour(std::span<Entry> phrase, std::size_t k, const Contour& c) const;
    void Line(std::span<Entry> range, int a, int b, float limit) const;
    void Write(const Entry& e, std::span<const StageRecord> in);
    // The centre in two halves: the first at its pitch, the second at
    // `end_pitch`.
    void WriteSplit(const Entry& e, std::int16_t end_pitch, std::span<const StageRecord> in);

    const PhonemeInventory* inventory_;
    std::unique_ptr<Profile> profile_;
    bool created_ = false;
    MakroTables tables_;
    std::vector<std::int16_t> name_of_;  // (symbol, accent) -> first inventory index
    SentenceType type_ = SentenceType::Statement;
    bool wh_question_ = false;
    std::vector<StageRecord> output_;
};

}  // namespace tarvox
