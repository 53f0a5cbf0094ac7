// The letter and phoneme inventories of a profile, with their sonority
// classes and the index tables through which syllabification and the
// prosody stages turn phoneme strings into indices.
//
// Class digits: 1 vowel (v), 2 sonorant (z), 3 and 4 obstruent (n).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class Profile;

class PhonemeInventory {
public:
    static constexpr std::size_t kMaxPhonemes = 64;

    // Reads male_crke, Razvrstitev_grafemov, samoglasniki, zlog_break,
    // najverjetnejsi_zlogi, Nabor_fonemov and Razvrstitev_fonemov in that
    // order; 0, or -1 after reporting the first failure.
    int Read(Profile& profile);

    // Letters.
    const std::string& Letters() const { return letters_; }
    const std::string& LetterClasses() const { return letter_classes_; }
    const std::string& VowelLetters() const { return vowel_letters_; }
    char SyllableBreak() const { return syllable_break_; }
    const std::string& SyllableBreakString() const { return syllable_break_string_; }
    const std::vector<std::int32_t>& MostLikelySyllables() const { return most_likely_; }
    // The forced-space character shares the letter index 0.
    void SetForcedSpace(char c);

    bool IsVowelLetter(char c) const;
    bool PreviousIsVowel(std::string_view word, std::size_t pos) const;
    bool NextIsVowel(std::string_view word, std::size_t pos) const;
    // The sonority letter (v, z, n) of a letter; false (with n) for a class
    // digit other than 1 to 4.
    bool LetterSonority(unsigned char letter, char& sonority) const;

    // Phonemes.
    std::size_t PhonemeCount() const { return names_.size(); }
    const std::string& Name(std::size_t index) const { return names_.at(index); }
    const std::vector<std::string>& Names() const { return names_; }
    // Index of a one- or two-character name, or -1.
    int IndexOf(std::string_view name) const;
    // Concatenated names to indices: the two-character key first; a
    // character that matches neither is skipped.
    std::vector<int> Parse(std::string_view phonemes) const;
    // Position, within the parsed list, of the first long vowel; -1 if none.
    int FirstLongVowel(std::string_view phonemes) const;
    // Sonority letter of a phoneme index (v, z or n).
    char Sonority(int index) const;
    // Sonority letters of an index list.
    std::string Sonorities(const std::vector<int>& indices) const;
    // The class digits of Razvrstitev_fonemov, one per phoneme.
    const std::string& PhonemeClasses() const { return phoneme_classes_; }

private:
    int Lookup(unsigned char c0, unsigned char c1) const {
        return static_cast<int>(phoneme_index_[c0 + 256u * c1]) - 1;
    }

    std::string letters_;
    std::string letter_classes_;
    std::string vowel_letters_;
    char syllable_break_ = '\0';
    std::string syllable_break_string_;
    std::vector<std::int32_t> most_likely_;
    std::vector<std::string> names_;
    std::string phoneme_classes_;
    std::vector<std::uint8_t> phoneme_index_ = std::vector<std::uint8_t>(65536, 0);
    std::array<std::uint8_t, 256> letter_index_{};
};

// v, z or n for a class digit; n for any other.
char SonorityOfDigit(char digit);

}  // namespace tarvox
