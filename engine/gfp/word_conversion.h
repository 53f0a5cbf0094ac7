// Word conversion: the last step of a sentence, from normalised text to the
// phoneme string.
//
// Every token (text between blanks) is either found in the pronunciation
// dictionaries, possibly together with the tokens that follow it (the
// longest run whose every shorter run is an entry), or transcribed by the
// letter-to-sound rules after its stressed syllable has been marked with "/".
// A dictionary word's last phoneme may be adjusted by the cross-word rules
// according to the word that follows. Clitics are joined to their neighbours
// without a blank.
//
// Limits, kept as cut-off points: a token or dictionary key is at most 64
// bytes (a longer token goes on as the next token); the rules produce at
// most 64 bytes per token plus the output of the rule that crosses the
// limit; the sentence's phoneme string is at most 776 bytes and ends with
// the last word that fits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lexicon/syllables.h"

namespace tarvox {

class AccentLists;
class CharClasses;
class CliticLists;
class Dictionary;
class RuleList;

inline constexpr std::size_t kTokenLimit = 64;       // bytes of a token or key
inline constexpr std::size_t kTokenOutputLimit = 64;  // rule output per token
inline constexpr std::size_t kPhonemeStringLimit = 776;
inline constexpr std::size_t kRightContextBytes = 4;  // text after a token the rules see

// The converter's tables that word conversion reads. The syllabifier and
// the dictionary may be absent: without the syllabifier the accent lists
// alone decide (else the first syllable), without the dictionary every
// token goes through the rules.
struct WordTables {
    const CharClasses* classes = nullptr;
    const RuleList* rules = nullptr;       // pravila
    const RuleList* cross_word = nullptr;  // pravila_slovar
    const AccentLists* accents = nullptr;
    const CliticLists* clitics = nullptr;
    const Syllabifier* syllables = nullptr;
    const Dictionary* dictionary = nullptr;
};

class WordConverter {
public:
    explicit WordConverter(const WordTables& tables) : t_(tables) {}

    // The phoneme string of a sentence (tokens separated by blanks).
    std::string Convert(std::string_view sentence, bool use_dictionary);
    // The same into `out` (replaced), reusing its storage.
    void Convert(std::string_view sentence, bool use_dictionary, std::string& out);

    // A filtered token with its stress marked: " " + word with "/" + " ",
    // the quality of a stressed e or o decided by the tables.
    std::string Accent(std::string_view token);

    // The letter-to-sound rules over an accented word (starting after its
    // leading blank, up to the next blank).
    std::string Transcribe(std::string_view accented) const;

private:
    void AccentInto(std::string_view token, std::string& accented);
    void TranscribeInto(std::string_view accented, std::string& phonemes) const;

    WordTables t_;
    WordAnalysis analysis_;
    std::string filtered_, accented_, phonemes_, key_;
};

}  // namespace tarvox
