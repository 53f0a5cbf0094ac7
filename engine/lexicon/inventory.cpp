#include "lexicon/inventory.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"

namespace tarvox {

char SonorityOfDigit(char digit) {
    switch (digit) {
        case '1': return 'v';
        case '2': return 'z';
        default: return 'n';
    }
}

int PhonemeInventory::Read(Profile& profile) {
    auto missing = [](const char* key) {
        ReportError(std::string("Napaka: '") + key + "' ne obstaja\n");
        return -1;
    };
    if (profile.GetString("male_crke", letters_) <= 0) return missing("male_crke");
    if (profile.GetString("Razvrstitev_grafemov", letter_classes_) < 0)
        return missing("Razvrstitev_grafemov");
    if (profile.GetString("samoglasniki", vowel_letters_) < 0) return missing("samoglasniki");
    std::string brk;
    if (profile.GetString("zlog_break", brk) < 0) return missing("zlog_break");
    syllable_break_ = brk.empty() ? '\0' : brk[0];
    syllable_break_string_ = brk.empty() ? std::string() : std::string(1, brk[0]);
    if (profile.GetLongArray("najverjetnejsi_zlogi", '\t', most_likely_) < 0)
        return missing("najverjetnejsi_zlogi");
    std::vector<const char*> items;
    if (profile.SplitItems("Nabor_fonemov", '\t', items) < 0) return missing("Nabor_fonemov");
    if (items.size() > kMaxPhonemes) {
        ReportError("Napaka: 'Nabor_fonemov' ima vec kot 64 fonemov\n");
        return -1;
    }
    names_.assign(items.begin(), items.end());
    if (profile.GetString("Razvrstitev_fonemov", phoneme_classes_) < 0)
        return missing("Razvrstitev_fonemov");
    if (phoneme_classes_.size() != names_.size()) {
        ReportError("Napaka: 'Razvrstitev_fonemov' ni enake dolžine kot Nabor_fonemov\n");
        return -1;
    }

    std::fill(phoneme_index_.begin(), phoneme_index_.end(), 0);
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::string& n = names_[i];
        if (n.empty()) continue;
        const auto c0 = static_cast<unsigned char>(n[0]);
        const auto c1 = n.size() > 1 ? static_cast<unsigned char>(n[1]) : 0;
        phoneme_index_[c0 + 256u * c1] = static_cast<std::uint8_t>(i + 1);
    }
    letter_index_.fill(0);
    for (std::size_t j = 0; j < letters_.size(); ++j)
        letter_index_[static_cast<unsigned char>(letters_[j])] = static_cast<std::uint8_t>(j);
    return 0;
}

void PhonemeInventory::SetForcedSpace(char c) {
    if (c != '\0') letter_index_[static_cast<unsigned char>(c)] = 0;
}

bool PhonemeInventory::IsVowelLetter(char c) const {
    return c != '\0' && vowel_letters_.find(c) != std::string::npos;
}

bool PhonemeInventory::PreviousIsVowel(std::string_view word, std::size_t pos) const {
    return pos > 0 && pos <= word.size() && IsVowelLetter(word[pos - 1]);
}

bool PhonemeInventory::NextIsVowel(std::string_view word, std::size_t pos) const {
    return pos + 1 < word.size() && IsVowelLetter(word[pos + 1]);
}

bool PhonemeInventory::LetterSonority(unsigned char letter, char& sonority) const {
    const std::size_t pos = letter_index_[letter];
    const char digit = pos < letter_classes_.size() ? letter_classes_[pos] : '\0';
    sonority = SonorityOfDigit(digit);
    return digit >= '1' && digit <= '4';
}

int PhonemeInventory::IndexOf(std::string_view name) const {
    if (name.empty() || name.size() > 2) return -1;
    return Lookup(static_cast<unsigned char>(name[0]),
                  name.size() > 1 ? static_cast<unsigned char>(name[1]) : 0);
}

std::vector<int> PhonemeInventory::Parse(std::string_view s) const {
    std::vector<int> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c0 = static_cast<unsigned char>(s[i]);
        if (i + 1 < s.size()) {
            const int two = Lookup(c0, static_cast<unsigned char>(s[i + 1]));
            if (two >= 0) {
                out.push_back(two);
                i += 2;
                continue;
            }
        }
        const int one = Lookup(c0, 0);
        if (one >= 0) out.push_back(one);
        ++i;
    }
    return out;
}

int PhonemeInventory::FirstLongVowel(std::string_view phonemes) const {
    const std::vector<int> idx = Parse(phonemes);
    for (std::size_t k = 0; k < idx.size(); ++k) {
        const std::string& n = names_[static_cast<std::size_t>(idx[k])];
        if (n.size() > 1 && n[1] == ':') return static_cast<int>(k);
    }
    return -1;
}

char PhonemeInventory::Sonority(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= phoneme_classes_.size()) return 'n';
    return SonorityOfDigit(phoneme_classes_[static_cast<std::size_t>(index)]);
}

std::string PhonemeInventory::Sonorities(const std::vector<int>& indices) const {
    std::string out;
    out.reserve(indices.size());
    for (int i : indices) out.push_back(Sonority(i));
    return out;
}

}  // namespace tarvox
