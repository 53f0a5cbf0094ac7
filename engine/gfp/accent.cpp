#include "gfp/accent.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

bool StartsWithAny(std::string_view word, const std::vector<std::string>& items) {
    return std::any_of(items.begin(), items.end(),
                       [word](const std::string& item) { return word.starts_with(item); });
}

bool EndsWithAny(std::string_view word, const std::vector<std::string>& items) {
    return std::any_of(items.begin(), items.end(),
                       [word](const std::string& item) { return word.ends_with(item); });
}

// A list of the profile as owned strings; false when the variable is missing.
bool ReadList(Profile& profile, std::string_view name, std::vector<std::string>& out) {
    std::vector<const char*> items;
    out.clear();
    if (profile.SplitItems(name, '\t', items) < 0) return false;
    out.assign(items.begin(), items.end());
    return true;
}

}  // namespace

bool IsNucleus(std::string_view word, std::size_t i, const CharClasses& classes) {
    if (i >= word.size()) return false;
    const auto c = static_cast<unsigned char>(word[i]);
    if (classes.IsVowel(c)) return true;
    if (c != 'r') return false;
    const bool vowel_after =
        i + 1 < word.size() && classes.IsVowel(static_cast<unsigned char>(word[i + 1]));
    const bool vowel_before = i > 0 && classes.IsVowel(static_cast<unsigned char>(word[i - 1]));
    return !vowel_after && !vowel_before;
}

int SyllableCount(std::string_view word, const CharClasses& classes) {
    word = word.substr(0, word.find(' '));
    int n = 0;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (IsNucleus(word, i, classes)) ++n;
    return n;
}

std::string MarkStress(std::string_view word, int syllable, const CharClasses& classes) {
    std::string out;
    out.reserve(word.size() + 3);
    out.push_back(' ');
    int nucleus = 0;
    bool marked = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (!marked && IsNucleus(word, i, classes) && ++nucleus == syllable) {
            out.push_back('/');
            marked = true;
        }
        out.push_back(word[i]);
    }
    out.push_back(' ');
    return out;
}

int AccentLists::Read(Profile& profile) {
    const bool ok = ReadList(profile, "prvi_zlog", first_syllable_) &&
                    ReadList(profile, "predpone", prefixes_) && !prefixes_.empty() &&
                    ReadList(profile, "koncppz", antepenult_) &&
                    ReadList(profile, "koncpz", penult_) && ReadList(profile, "konczad", final_);
    if (!ok) {
        ReportError("Napaka: v ini datoteki (ini_gfp): pripravi_naglase");
        return -1;
    }
    return ReadGfpSwitch(profile, "najdaljsa_koncnica", longest_wins_);
}

void AccentLists::SetLists(std::vector<std::string> first_syllable,
                           std::vector<std::string> prefixes,
                           std::vector<std::string> antepenult_endings,
                           std::vector<std::string> penult_endings,
                           std::vector<std::string> final_endings) {
    first_syllable_ = std::move(first_syllable);
    prefixes_ = std::move(prefixes);
    antepenult_ = std::move(antepenult_endings);
    penult_ = std::move(penult_endings);
    final_ = std::move(final_endings);
}

int AccentLists::DecidingList(std::string_view word, int syllables) const {
    if (!longest_wins_) {
        if (EndsWithAny(word, final_)) return 3;
        if (EndsWithAny(word, penult_)) return 2;
        if (syllables >= 3 && EndsWithAny(word, antepenult_)) return 1;
        return 0;
    }
    auto longest = [word](const std::vector<std::string>& items) {
        std::size_t best = 0;
        for (const std::string& item : items)
            if (word.ends_with(item)) best = std::max(best, item.size() + 1);  // +1: an empty ending counts
        return best;
    };
    const std::size_t f = longest(final_), p = longest(penult_);
    const std::size_t a = syllables >= 3 ? longest(antepenult_) : 0;
    if (f == 0 && p == 0 && a == 0) return 0;
    if (f >= p && f >= a) return 3;
    return p >= a ? 2 : 1;
}

int AccentLists::StressByLists(std::string_view word, const CharClasses& classes) const {
    const int n = SyllableCount(word, classes);
    if (n < 2 || StartsWithAny(word, first_syllable_)) return 1;
    switch (DecidingList(word, n)) {
        case 3: return n;
        case 2:
            if (n == 2) return StartsWithAny(word, prefixes_) ? 2 : 1;
            return n - 1;
        case 1:
            if (n == 3) return StartsWithAny(word, prefixes_) ? 2 : 1;
            return n - 2;
        default: return 0;
    }
}

void CliticLists::Read(Profile& profile) {
    ReadList(profile, "proklitike", proclitics_);
    ReadList(profile, "proklitike_ali_enklitike", either_);
    std::sort(proclitics_.begin(), proclitics_.end());
    std::sort(either_.begin(), either_.end());
    std::int32_t glue = 0;
    glue_once_ = profile.GetLong("lepi_le_enkrat", glue) == 0 && glue == 1;
}

void CliticLists::SetLists(std::vector<std::string> proclitics, std::vector<std::string> either,
                           bool glue_once) {
    proclitics_ = std::move(proclitics);
    either_ = std::move(either);
    std::sort(proclitics_.begin(), proclitics_.end());
    std::sort(either_.begin(), either_.end());
    glue_once_ = glue_once;
}

int CliticLists::ClassOf(std::string_view word) const {
    // std::string orders bytes as unsigned characters, the order of the lists.
    auto in = [word](const std::vector<std::string>& list) {
        return std::binary_search(list.begin(), list.end(), word,
                                  [](std::string_view a, std::string_view b) { return a < b; });
    };
    if (in(either_)) return 3;
    if (in(proclitics_)) return 1;
    return 0;
}

}  // namespace tarvox
