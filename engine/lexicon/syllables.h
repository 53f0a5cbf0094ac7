// Syllable division by sonority, and the statistical tables that choose the
// stressed syllable and the quality of a stressed e or o of a spelled word.
//
// Sonority letters: "v" vowel, "z" sonorant, "n" obstruent. The division
// works on a string of these letters, for spelled words (letters) and for
// phoneme strings (inventory indices) alike.
//
// The six tables lie in the statistics directory, one record per line
// (lines end at LF; a CR before it stays in the last field):
//   "vzn.out", "vc.out":  key, blank, number 1 (the 1-based stressed
//                         syllable), blank, number 2 (kept, unused)
//   "vzn_e.out", "vzn_o.out", "vc_e.out", "vc_o.out":
//                         key, tab, a field whose first character is the
//                         quality (the vowel that replaces e or o)
// Keys are lower-cased and every "." becomes a double quote, which is the
// syllable break the lookups use; keys hold at most 639 characters. Records
// are sorted by plain byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lexicon/inventory.h"

namespace tarvox {

class Profile;

inline constexpr std::size_t kMaxSyllables = 512;
inline constexpr std::size_t kMaxWordLetters = 127;
inline constexpr std::size_t kMaxDividedLength = 639;

struct Syllable {
    int first = 0;    // index of the first sound
    int nucleus = 0;  // index of the nucleus
    int last = 0;     // index of the last sound
    int stress = 0;   // filled in by the callers
};

// One spelled word under analysis.
struct WordAnalysis {
    std::string word;              // at most 127 letters
    std::string sonority;          // one of v, z, n per letter
    std::string vowel_consonant;   // v or c per letter
    std::string divided_sonority;  // syllables joined by the break, <= 639
    std::string divided_vc;        // the same division of vowel_consonant
    int syllable_count = 0;
    int stressed = 0;  // 1-based, chosen by the caller
    std::vector<Syllable> syllables;
    int length = 0;
};

struct StressRecord {
    std::string key;
    int number1 = 0;  // the stressed syllable, 1-based
    int number2 = 0;
};

struct QualityRecord {
    std::string key;
    char result = '\0';
};

// Reads one table: 0 (failure) when the file is missing or holds no record,
// else the number of records read, sorted by key.
std::size_t FilajArray(std::string_view path, std::vector<StressRecord>& out);
std::size_t FilajArray(std::string_view path, std::vector<QualityRecord>& out);

// The sonority string cut into syllables. Pattern tests are "occurs
// anywhere in the string from position x on".
int DeljenjeNaZloge(std::string_view sonority, std::vector<Syllable>& syllables);

class Syllabifier {
  public:
    // Reads the letter and phoneme inventories from the converter profile,
    // then the six tables from the statistics directory, in the order
    // vzn.out, vc.out, vzn_e.out, vzn_o.out, vc_e.out, vc_o.out; the forced
    // separator of the class table shares letter index 0. 0, or -1 after
    // reporting the first failure.
    int pripravi_zlogovanje(Profile& profile, std::string_view stat_dir, char forced_space = '\0');

    const PhonemeInventory& inventory() const { return inventory_; }
    PhonemeInventory& inventory() { return inventory_; }

    // Sonority letters of phoneme indices; false when a class digit is out
    // of 1 to 4 (that position gets "n" and is reported).
    bool DolociZvocnost(std::span<const int> indices, std::string& out) const;
    // Sonority letters of a spelled word; an "r" without a vowel letter
    // directly before and after it is a vowel. False when a letter's class
    // is out of 1 to 4 (it gets "n").
    bool DolociZvocnostGT(std::string_view letters, std::string& out) const;
    // The same division as the free function.
    int DeljenjeNaZloge(std::string_view sonority, std::vector<Syllable>& syllables) const {
        return tarvox::DeljenjeNaZloge(sonority, syllables);
    }

    // Fills the record for the word (cut to 127 letters): sonority and
    // vowel/consonant strings, syllables, both divided strings.
    void AnalizaBesede(std::string_view word, WordAnalysis& record) const;

    // Stressed syllable from "vzn.out" (divided sonority string) or
    // "vc.out" (divided vowel/consonant string); 0 when the key is absent.
    int StressFromSonorityTable(const WordAnalysis& record) const;
    int StressFromVcTable(const WordAnalysis& record) const;
    // The entry of najverjetnejsi_zlogi for the syllable count, the last one
    // for longer words (1 when the list is empty).
    int DefaultStress(const WordAnalysis& record) const;
    // The three in order; stores the number in record.stressed and returns it.
    int ChooseStress(WordAnalysis& record) const;

    // Quality of the stressed "e" or "o" (letter) of record.stressed: when a
    // table has the key, the character after the first "/" of the accented
    // word is replaced by the table's result and the answer is true.
    bool DecideQuality(const WordAnalysis& record, char letter, std::string& accented) const;

    // Table sizes (for tests and diagnostics).
    std::size_t SonorityTableSize() const { return vzn_.size(); }
    std::size_t VcTableSize() const { return vc_.size(); }

    // Drops the tables.
    void Release();

  private:
    PhonemeInventory inventory_;
    std::vector<StressRecord> vzn_, vc_;
    std::vector<QualityRecord> vzn_e_, vzn_o_, vc_e_, vc_o_;
};

}  // namespace tarvox
