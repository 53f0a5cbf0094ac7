// The character class table of the converter profile: 256 entries with 18
// slots each. Slot k of a byte holds its 1-based position in the profile
// string of class k, or 0 when the byte is not in the class. Shared (read
// only) by text normalisation, word conversion and both prosody stages.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarvox {

class Profile;

enum CharClass : int {
    kGlasovneSkupine = 0,  // placeholder symbols of rule patterns
    kSamoglasniki = 1,     // vowels
    kSoglasniki = 2,       // consonants
    kSoglPr = 3,           // a further consonant class
    kZvocniki = 4,         // sonorants
    kNezvSogl = 5,         // voiceless consonants
    kZvenSogl = 6,         // voiced consonants
    kZvenNezvoc = 7,       // voiced non-sonorants
    kUnused8 = 8,          // no profile variable
    kMaleCrke = 9,         // lower-case letters
    kVelikeCrke = 10,      // upper-case letters
    kCifre = 11,           // digits
    kKoncnaLocila = 12,    // sentence-final punctuation
    kNekoncnaLocila = 13,  // non-final punctuation
    kDodatnaLocila = 14,   // additional punctuation
    kPosebniZnaki = 15,    // special characters
    kDodatniZnaki = 16,    // additional characters
    kSampaLocila = 17,     // punctuation symbols in phoneme strings
};

inline constexpr int kCharClassCount = 18;

class CharClasses {
public:
    static constexpr std::size_t kMaxClassString = 256;

    // Reads the 17 class strings in their fixed order and then
    // Vsiljeni_presledek; 0, or -1 after reporting
    // "Napaka 1 pri branju sibmolov <name>\n" (missing, empty or longer than
    // 256 bytes) or "Napaka 2 ...".
    int Read(const Profile& profile);

    // 1-based position of the byte in the class string, 0 when not in it.
    std::uint8_t Position(unsigned char c, int cls) const { return table_[c][cls]; }
    bool In(unsigned char c, int cls) const { return table_[c][cls] != 0; }

    bool IsLetter(unsigned char c) const { return In(c, kMaleCrke) || In(c, kVelikeCrke); }
    bool IsPunctuation(unsigned char c) const {
        return In(c, kKoncnaLocila) || In(c, kNekoncnaLocila) || In(c, kDodatnaLocila);
    }
    bool IsKnown(unsigned char c) const {
        return IsLetter(c) || In(c, kCifre) || In(c, kKoncnaLocila) || In(c, kNekoncnaLocila) ||
               In(c, kPosebniZnaki);
    }
    bool IsDigit(unsigned char c) const { return In(c, kCifre); }
    bool IsVowel(unsigned char c) const { return In(c, kSamoglasniki); }

    // Case conversion through male_crke / velike_crke; other bytes unchanged.
    char ToLower(char c) const;
    char ToUpper(char c) const;
    void ToLower(std::string& s) const;
    void ToUpper(std::string& s) const;

    const std::string& LowerLetters() const { return lower_; }
    const std::string& UpperLetters() const { return upper_; }
    // First character of Vsiljeni_presledek, or NUL.
    char ForcedSeparator() const { return forced_separator_; }

private:
    std::array<std::array<std::uint8_t, kCharClassCount>, 256> table_{};
    std::string lower_;
    std::string upper_;
    char forced_separator_ = '\0';
};

}  // namespace tarvox
