#include "forms.h"

#include <vector>

#include "lexicon.h"
#include "readings.h"

namespace tarvox::langdata {
namespace {

// A vowel without stress or quality: e and E are one vowel, o and O one.
char VowelBase(const std::string& name) {
    const char c = name[0];
    if (c == 'E') return 'e';
    if (c == 'O') return 'o';
    return c;
}

std::string Unstressed(const std::string& name) {
    switch (VowelBase(name)) {
        case 'e': return "E";
        case 'o': return "O";
        default: return std::string(1, name[0]);
    }
}

std::vector<std::size_t> Vowels(const Phonemes& p) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (IsVowelName(p[i])) at.push_back(i);
    return at;
}

}  // namespace

std::optional<Phonemes> CarryStress(const Lemma& lemma, const Phonemes& converted,
                                    CarryResult& result) {
    const auto lv = Vowels(lemma.phonemes);
    std::size_t stressed = lv.size(), count = 0;
    for (std::size_t k = 0; k < lv.size(); ++k) {
        if (IsStressedName(lemma.phonemes[lv[k]])) {
            stressed = k;
            ++count;
        }
    }
    if (count != 1) {
        result = CarryResult::kNoMainStress;
        return std::nullopt;
    }
    if (lv.size() < 2) {
        result = CarryResult::kOneSyllable;
        return std::nullopt;
    }
    // An infinitive stressed on its stem keeps that stress through the
    // present, the imperative and the l-participle (délati, délam, délal);
    // stressed on the vowel before -ti (govoríti, pisáti, nêsti) it moves
    // or changes quality.
    if (lemma.verb && stressed + 2 >= lv.size()) {
        result = CarryResult::kThemeVowel;
        return std::nullopt;
    }
    const std::string& vowel = lemma.phonemes[lv[stressed]];
    const bool last = stressed + 1 == lv.size();
    if (last && lv.back() + 1 == lemma.phonemes.size()) {
        result = CarryResult::kStressedEnding;
        return std::nullopt;
    }
    const char base = VowelBase(vowel);
    if (last && !lemma.long_stress && (base == 'e' || base == 'o')) {
        result = CarryResult::kShortFinalEO;
        return std::nullopt;
    }
    const auto fv = Vowels(converted);
    if (fv.size() <= stressed) {
        result = CarryResult::kStemDiffers;
        return std::nullopt;
    }
    for (std::size_t k = 0; k <= stressed; ++k) {
        if (VowelBase(converted[fv[k]]) != VowelBase(lemma.phonemes[lv[k]])) {
            result = CarryResult::kStemDiffers;
            return std::nullopt;
        }
    }
    Phonemes out = converted;
    for (const std::size_t i : fv) out[i] = Unstressed(out[i]);
    out[fv[stressed]] = vowel;
    result = CarryResult::kCarried;
    return out;
}

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t e = text.find('\n', i);
        if (e == std::string_view::npos) e = text.size();
        std::string_view line = text.substr(i, e - i);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!line.empty() && line[0] != '#') lines.push_back(line);
        i = e + 1;
    }
    return lines;
}

std::optional<std::string> Key(std::string_view word) { return LetterCode(LowerUtf8(word)); }

}  // namespace

ParadigmForms ReadParadigms(std::string_view text) {
    ParadigmForms forms;
    for (std::string_view line : Lines(text)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        const auto lemma = Key(line.substr(0, tab));
        if (!lemma) continue;
        std::string_view rest = line.substr(tab + 1);
        while (!rest.empty()) {
            const std::size_t blank = std::min(rest.find(' '), rest.size());
            if (const auto form = Key(rest.substr(0, blank)); form && !form->empty())
                forms[*form].insert(*lemma);
            rest.remove_prefix(std::min(blank + 1, rest.size()));
        }
    }
    return forms;
}

std::vector<std::string> ReadWordList(std::string_view text) {
    std::vector<std::string> words;
    for (std::string_view line : Lines(text))
        if (const auto key = Key(line)) words.push_back(*key);
    return words;
}

std::optional<Phonemes> ApplyListFix(Phonemes p, ListFix fix) {
    if (fix == ListFix::kFinalL) {
        if (p.empty() || p.back() != "w") return std::nullopt;
        p.back() = "l";
        return p;
    }
    if (fix == ListFix::kStressedParticipleE) {
        // The e before the l: the last vowel of živel, the one before the
        // ending of živela.
        const auto vowels = Vowels(p);
        const std::size_t ending = !p.empty() && IsVowelName(p.back()) ? 1 : 0;
        if (vowels.size() < 1 + ending) return std::nullopt;
        const std::size_t at = vowels[vowels.size() - 1 - ending];
        const char base = VowelBase(p[at]);
        if (base != 'e' && base != '@') return std::nullopt;
        for (const std::size_t i : vowels) p[i] = Unstressed(p[i]);
        p[at] = "e:";
        return p;
    }
    for (auto it = p.rbegin(); it != p.rend(); ++it) {
        if (!IsVowelName(*it)) continue;
        if (VowelBase(*it) != '@') return std::nullopt;
        *it = IsStressedName(*it) ? "E:" : "E";
        return p;
    }
    return std::nullopt;
}

}  // namespace tarvox::langdata
