// The pronouncing lexicon of a voice: reading it, the converter's letter
// code of its words, the held-out split, and the dictionary derived from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ipa.h"

namespace tarvox::langdata {

struct LexiconEntry {
    std::string word;      // as written in the lexicon (UTF-8)
    std::string key;       // in the converter's letter code (see LetterCode)
    std::string ipa;       // the IPA segments
    Phonemes phonemes;     // converted with IpaToPhonemes
};

// The word in the converter's letter code: c, s, z with caron become "~",
// "{", "`" (c with acute "~", d with stroke "d`"); words of more than one
// letter written wholly in capitals keep them ("^", "[", "@"), all others
// are lower-cased, as the converter's capitalisation step reads them.
// nullopt for a character outside the Slovenian alphabet and a-z.
std::optional<std::string> LetterCode(std::string_view utf8_word);

// The same word in Windows-1250, as the engine receives text.
std::string ToWindows1250(std::string_view letter_code);

// A word is held out (never used to build data) when the 32-bit FNV-1a hash
// of its lower-cased letter code is divisible by 8.
std::uint32_t Fnv1a(std::string_view text);
bool IsHeldOut(std::string_view key);

struct LexiconReport {
    std::size_t lines = 0;
    std::size_t skipped = 0;  // malformed lines, letters or IPA without a counterpart
    std::vector<std::string> problems;
};

// Reads "word<TAB>ipa" lines. Entries keep the file order.
std::vector<LexiconEntry> ReadLexicon(std::string_view text, LexiconReport& report);

enum class Part { kTraining, kHeldOut, kAll };
std::vector<LexiconEntry> Select(const std::vector<LexiconEntry>& entries, Part part);

// One pronunciation per key: the first line of the word that marks a
// stressed vowel, else its first line. Keys in first-seen order.
std::vector<LexiconEntry> OnePerWord(const std::vector<LexiconEntry>& entries);

// Dictionary source text: "key<TAB>phonemes<CR><LF>" for every entry.
std::string DictionaryText(const std::vector<LexiconEntry>& entries);

}  // namespace tarvox::langdata
