// The noun-phrase grammar that a voice's data gives the reading of numbers,
// units and abbreviations in context: declension classes, declinable
// phrases, the readings (gender, number, case) of word forms from an ending
// table and a list of exceptions, the cases that prepositions govern, and
// the case forms of the numerals. All of it is read from the converter
// profile; the code only interprets it.
//
// Profile lists (TAB-separated, read in groups; words in the internal
// letter code):
//   sklanjatve        groups of 20: class name, gender (m masculine, a
//                     masculine animate, z feminine, s neuter), then the 18
//                     endings singular, dual, plural, each in the order
//                     nominative genitive dative accusative locative
//                     instrumental; "-" is no ending, "*" the word's own
//                     nominative (a lemma given with "lemma|stem/class").
//                     Adjective classes come in threes named NAME + m, z, s
//                     (an animate masculine takes the genitive for the
//                     accusative singular).
//   predlogi          pairs: preposition, the cases it governs as digits
//                     1 to 6, the usual one first ("v" "54").
//   prozorne_besede   words that may stand between a preposition and its
//                     number ("skoraj").
//   vezniki           conjunctions that join two numbers ("med 5 in 10").
//   stevniki          groups of 8: numeral 1 to 4, gender (m z s), its six
//                     case forms.
//   stevniki_konc     the six case endings of the numerals from 5 on.
//   stevniki_osnove   pairs: a cardinal word, its stem before an ending
//                     ("sedem" "sedm").
//   oblike_koncnice   pairs: word ending, readings.
//   oblike_izjeme     pairs: word form, readings.
//   besede_brez_oblik words that never agree with a number (je, in, ...).
// Readings are comma-separated codes of gender, number (e singular, d
// dual, m plural) and case digit, the likeliest first: "ze2,zm1,zm4".
//
// A phrase is a blank-separated list of words; a word "stem/class" or
// "lemma|stem/class" declines, any other word stays as written. The phrase
// takes the gender of its first declining noun.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvox {

class Profile;

enum class Case : std::uint8_t { kNominative, kGenitive, kDative, kAccusative, kLocative, kInstrumental };
enum class GrammaticalNumber : std::uint8_t { kSingular, kDual, kPlural };
enum class Gender : std::uint8_t { kMasculine, kFeminine, kNeuter, kAnimate };

inline constexpr int kCaseCount = 6;

struct WordReading {
    Gender gender = Gender::kMasculine;
    GrammaticalNumber number = GrammaticalNumber::kSingular;
    Case grammatical_case = Case::kNominative;
    bool operator==(const WordReading&) const = default;
};
using Readings = std::vector<WordReading>;

// "ze2,zm1" -> readings; nullopt when a code is malformed.
std::optional<Readings> ParseReadings(std::string_view codes);
// A gender letter (m a z s) and its value.
std::optional<Gender> ParseGender(char letter);
char GenderLetter(Gender g);

struct DeclensionClass {
    std::string name;
    Gender gender = Gender::kMasculine;
    std::array<std::string, 18> endings;  // "*" stands for the lemma
};

struct PhraseWord {
    std::string lemma;       // nominative as written (fixed words: the word)
    std::string stem;        // before the ending
    int declension = -1;     // class index; -1 fixed, -2 adjective family
    std::string family;      // adjective family name (declension == -2)
};

struct Phrase {
    std::vector<PhraseWord> words;
    Gender gender = Gender::kMasculine;
    bool has_head = false;  // a declining noun gives the gender
    bool declines = false;
};

class Grammar {
public:
    // Reads the lists above. 0 when they are absent (Present() is then
    // false) or well formed; -1 after reporting
    // "Napaka: v ini datoteki (ini_gfp): <list>" for a malformed one.
    int Read(const Profile& profile);
    bool Present() const { return !classes_.empty(); }

    // A phrase in the notation above; nullopt when a class is unknown.
    std::optional<Phrase> ParsePhrase(std::string_view text) const;
    // The phrase in a gender (for adjectives that agree), number and case,
    // words separated by blanks, no trailing blank.
    std::string Inflect(const Phrase& phrase, Gender gender, GrammaticalNumber number, Case c) const;
    std::string Inflect(const Phrase& phrase, GrammaticalNumber number, Case c) const {
        return Inflect(phrase, phrase.gender, number, c);
    }
    // An adjective ending of a family ("p") for gender, number and case.
    std::string_view AdjectiveEnding(std::string_view family, Gender g, GrammaticalNumber number,
                                     Case c) const;

    // Readings of a lower-case word form: its exception entry, else the
    // longest ending of the table that it ends with; empty when none.
    const Readings* ReadingsOf(std::string_view word) const;
    // Adds readings for a word form (forms of the phrases the voice
    // declines itself: months, units).
    void AddException(const std::string& word, const WordReading& r);

    // The cases a preposition governs, the usual first; empty when the word
    // is none.
    std::string_view PrepositionCases(std::string_view word) const;
    bool IsTransparent(std::string_view word) const;
    // Conjunctions that join two numbers under one preposition (in, ali).
    bool IsConjunction(std::string_view word) const;

    // The numeral 1 to 4 in a gender and case ("dve", "tremi"); empty when
    // the table has none.
    std::string_view SmallNumeral(int value, Gender g, Case c) const;
    // A cardinal word from 5 on in a case ("pet" -> "petih", "sedem" ->
    // "sedmih").
    std::string DeclineCardinal(std::string_view word, Case c) const;

private:
    int FindClass(std::string_view name) const;

    std::vector<DeclensionClass> classes_;
    std::unordered_map<std::string, std::string> prepositions_;
    std::vector<std::string> transparent_;
    std::vector<std::string> conjunctions_;
    std::array<std::array<std::array<std::string, kCaseCount>, 3>, 4> numerals_;
    std::array<std::string, kCaseCount> numeral_endings_;
    std::unordered_map<std::string, std::string> numeral_stems_;
    std::unordered_map<std::string, Readings> exceptions_;
    std::unordered_map<std::string, Readings> endings_;
    std::size_t longest_ending_ = 0;
};

// Slot of an ending in a class: number * 6 + case.
inline int Slot(GrammaticalNumber n, Case c) {
    return static_cast<int>(n) * kCaseCount + static_cast<int>(c);
}

}  // namespace tarvox
