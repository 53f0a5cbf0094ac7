#include "stats.h"

#include "lexicon/syllables.h"

namespace tarvox::langdata {
namespace {

template <typename K>
K MostFrequent(const std::map<K, int>& counts) {
    K best{};
    int n = -1;
    for (const auto& [k, c] : counts) {
        if (c > n) {  // map order: ties keep the smaller key
            best = k;
            n = c;
        }
    }
    return best;
}

template <typename K>
int Total(const std::map<K, int>& counts) {
    int t = 0;
    for (const auto& [k, c] : counts) t += c;
    return t;
}

std::string Dotted(const std::string& divided, char brk) {
    std::string s = divided;
    for (char& c : s)
        if (c == brk) c = '.';
    return s;
}

// The divided pattern with "/" and the letter in place of the stressed
// nucleus, built as the converter builds its lookup key.
std::string QualityKey(const std::string& dotted, int stressed, char letter) {
    std::size_t start = 0;
    for (int k = 1; k < stressed; ++k) {
        const std::size_t pos = dotted.find('.', start);
        if (pos == std::string::npos) return {};
        start = pos + 1;
    }
    const std::size_t v = dotted.find('v', start);
    if (v == std::string::npos) return {};
    return dotted.substr(0, v) + '/' + letter + dotted.substr(v + 1);
}

bool IsLowerWord(std::string_view key) {
    for (const char c : key)
        if (!((c >= 'a' && c <= 'z') || c == '~' || c == '{' || c == '`')) return false;
    return !key.empty();
}

}  // namespace

int StressedSyllable(const Phonemes& phonemes, std::string* vowel) {
    int n = 0, stressed = 0;
    for (const std::string& p : phonemes) {
        if (!IsVowelName(p)) continue;
        ++n;
        if (IsStressedName(p)) {
            if (vowel) *vowel = p;
            stressed = n;
        }
    }
    return stressed;
}

SyllableStatistics CountSyllables(const std::vector<LexiconEntry>& entries,
                                  const Syllabifier& syllabifier, const CountOptions& options) {
    SyllableStatistics st;
    const char brk = syllabifier.inventory().SyllableBreak();
    for (const LexiconEntry& e : entries) {
        if (!IsLowerWord(e.key)) {
            ++st.skipped;
            continue;
        }
        std::string vowel;
        const int stressed = StressedSyllable(e.phonemes, &vowel);
        int vowels = 0;
        for (const std::string& p : e.phonemes) vowels += IsVowelName(p) ? 1 : 0;
        WordAnalysis r;
        syllabifier.AnalizaBesede(e.key, r);
        if (stressed == 0 || vowels != r.syllable_count ||
            static_cast<std::size_t>(r.syllable_count) != r.syllables.size()) {
            ++st.skipped;
            continue;
        }
        ++st.used;
        const std::string son = Dotted(r.divided_sonority, brk);
        const std::string vc = Dotted(r.divided_vc, brk);
        if (!options.decided_by_lists || !options.decided_by_lists(e.key)) {
            st.sonority[son][stressed]++;
            st.vowel_consonant[vc][stressed]++;
            st.by_length[r.syllable_count][stressed]++;
        }
        const int nucleus = r.syllables[static_cast<std::size_t>(stressed - 1)].nucleus;
        const char letter = nucleus >= 0 && static_cast<std::size_t>(nucleus) < e.key.size()
                                ? e.key[static_cast<std::size_t>(nucleus)]
                                : '\0';
        char quality = '\0';
        if (letter == 'e' && (vowel == "e:" || vowel == "E:")) quality = vowel[0];
        if (letter == 'o' && (vowel == "o:" || vowel == "O:")) quality = vowel[0];
        if (quality == '\0') continue;
        const std::string ks = QualityKey(son, stressed, letter);
        const std::string kv = QualityKey(vc, stressed, letter);
        if (!ks.empty()) (letter == 'e' ? st.sonority_e : st.sonority_o)[ks][quality]++;
        if (!kv.empty()) (letter == 'e' ? st.vc_e : st.vc_o)[kv][quality]++;
    }
    return st;
}

std::map<std::string, std::string> TableFiles(const SyllableStatistics& st,
                                              const TableOptions& options) {
    std::map<std::string, std::string> files;
    auto stress = [&](const std::map<std::string, std::map<int, int>>& m) {
        std::string out;
        for (const auto& [key, counts] : m)
            if (Total(counts) >= options.min_stress_words)
                out += key + ' ' + std::to_string(MostFrequent(counts)) + ' ' +
                   std::to_string(Total(counts)) + '\n';
        return out;
    };
    auto quality = [&](const std::map<std::string, std::map<char, int>>& m) {
        std::string out;
        for (const auto& [key, counts] : m)
            if (Total(counts) >= options.min_quality_words) out += key + '\t' + MostFrequent(counts) + '\n';
        return out;
    };
    files["vzn.out"] = stress(st.sonority);
    files["vc.out"] = stress(st.vowel_consonant);
    files["vzn_e.out"] = quality(st.sonority_e);
    files["vzn_o.out"] = quality(st.sonority_o);
    files["vc_e.out"] = quality(st.vc_e);
    files["vc_o.out"] = quality(st.vc_o);
    // The engine refuses an empty table: a table without any pattern gets
    // one record whose key no word can have.
    for (auto& [name, text] : files)
        if (text.empty()) text = name.find('_') == std::string::npos ? "- 1 0\n" : "-\te\n";
    return files;
}

std::string MostLikelySyllables(const SyllableStatistics& st) {
    std::string out;
    int last = 0;
    for (const auto& [n, counts] : st.by_length) last = std::max(last, n);
    for (int n = 1; n <= last; ++n) {
        const auto it = st.by_length.find(n);
        const int best = it == st.by_length.end() ? std::max(1, n - 1) : MostFrequent(it->second);
        if (!out.empty()) out += '\t';
        out += std::to_string(best);
    }
    return out;
}

}  // namespace tarvox::langdata
