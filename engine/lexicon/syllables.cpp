#include "lexicon/syllables.h"

#include <algorithm>
#include <cstdlib>

#include "base/diag.h"
#include "base/files.h"
#include "base/profile.h"

namespace tarvox {
namespace {

// Table keys: lower-cased, "." as the syllable break (a double quote).
std::string TableKey(std::string_view raw) {
    std::string key(raw.substr(0, kMaxDividedLength));
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c == '.') c = '"';
    }
    return key;
}

// The lines of a table file; a final line feed adds no line.
template <typename Parse>
std::size_t ReadTable(std::string_view path, Parse parse) {
    const std::optional<std::vector<char>> content = ReadWholeFile(path);
    if (!content) return 0;
    const std::string_view text(content->data(), content->size());
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        if (parse(text.substr(pos, end - pos))) ++count;
        pos = end + 1;
    }
    return count;
}

template <typename Record>
void SortByKey(std::vector<Record>& records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const Record& a, const Record& b) { return a.key < b.key; });
}

template <typename Record>
const Record* Find(const std::vector<Record>& records, std::string_view key) {
    auto it = std::lower_bound(records.begin(), records.end(), key,
                               [](const Record& r, std::string_view k) { return r.key < k; });
    return (it != records.end() && it->key == key) ? &*it : nullptr;
}

// A whole number at the start of a field (leading blanks skipped); 0 if none.
int ParseNumber(std::string_view field) {
    const std::string s(field);
    return static_cast<int>(std::strtol(s.c_str(), nullptr, 10));
}

}  // namespace

std::size_t FilajArray(std::string_view path, std::vector<StressRecord>& out) {
    out.clear();
    const std::size_t n = ReadTable(path, [&out](std::string_view line) {
        std::size_t k = line.find_first_not_of(' ');
        if (k == std::string_view::npos) return false;
        const std::size_t key_end = std::min(line.find(' ', k), line.size());
        StressRecord r;
        r.key = TableKey(line.substr(k, key_end - k));
        std::string_view rest = line.substr(key_end);
        const std::size_t n1 = rest.find_first_not_of(' ');
        if (n1 != std::string_view::npos) {
            rest = rest.substr(n1);
            r.number1 = ParseNumber(rest);
            const std::size_t gap = rest.find(' ');
            if (gap != std::string_view::npos) r.number2 = ParseNumber(rest.substr(gap));
        }
        out.push_back(std::move(r));
        return true;
    });
    SortByKey(out);
    return n;
}

std::size_t FilajArray(std::string_view path, std::vector<QualityRecord>& out) {
    out.clear();
    const std::size_t n = ReadTable(path, [&out](std::string_view line) {
        const std::size_t tab = line.find('\t');
        // A record without a result character could only cut the word.
        if (tab == 0 || tab == std::string_view::npos || tab + 1 >= line.size()) return false;
        out.push_back(QualityRecord{TableKey(line.substr(0, tab)), line[tab + 1]});
        return true;
    });
    SortByKey(out);
    return n;
}

int DeljenjeNaZloge(std::string_view z, std::vector<Syllable>& syllables) {
    syllables.clear();
    std::vector<int> v;
    for (std::size_t i = 0; i < z.size(); ++i) {
        if (z[i] != 'v') continue;
        if (v.size() == kMaxSyllables) {
            ReportError("Fun: DeljenjeNaZloge(zvocnost = " + std::string(z) +
                        "): Prišel do MAX št. zlogov");
            break;
        }
        v.push_back(static_cast<int>(i));
    }
    const int length = static_cast<int>(z.size());
    if (v.size() < 2) {
        syllables.push_back(Syllable{0, v.empty() ? 0 : v[0], length - 1, 0});
        return 1;
    }

    // True when the pattern occurs anywhere in the string from x on.
    auto at = [z](std::string_view pattern, int x) {
        return x >= 0 && z.find(pattern, static_cast<std::size_t>(x)) != std::string_view::npos;
    };
    syllables.push_back(Syllable{0, v[0], 0, 0});
    for (std::size_t i = 1; i < v.size(); ++i) {
        const int p = v[i - 1];
        const int q = v[i];
        const int g = q - p;
        const int s = p + 1;
        int b = s;
        bool matched = false;
        auto set = [&](int start) {
            b = start;
            matched = true;
        };
        if (g == 1 || g == 2) set(s);
        if (g >= 3) {
            if (at("nnv", s)) set(s + 1);
            if (at("zzv", s)) set(s + 1);
            if (at("znv", s)) set(s + 1);
            if (at("vzn", s - 1)) set(s + 1);
            if (at("vnz", s - 1)) set(z[static_cast<std::size_t>(s + 2)] == 'v' ? s + 1 : s);
        }
        if (g > 3 && at("nnzv", s)) set(s + 1);
        if (g == 4) {
            if (at("vzznv", s - 1)) set(s + 2);
            if (at("vzzzv", s - 1)) set(s + 1);
        }
        if (g == 5) {
            if (at("vzznnv", s - 1))
                set(s + 2);
            else if (at("vzznzv", s - 1))
                set(s + 2);
            if (at("znnzv", s)) set(s + 3);
        }
        if (g >= 6 && at("znnzv", s)) set(s + 3);
        if (!matched) b = s + (g - 1) / 2;
        syllables.back().last = b - 1;
        syllables.push_back(Syllable{b, q, 0, 0});
    }
    syllables.back().last = length - 1;
    return static_cast<int>(syllables.size());
}

int Syllabifier::pripravi_zlogovanje(Profile& profile, std::string_view stat_dir,
                                     char forced_space) {
    Release();
    if (inventory_.Read(profile) < 0) {
        ReportError("Napaka: v ini datoteki (ini_gfp): pripravi_zlogovanje");
        return -1;
    }
    std::string dir(stat_dir);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    auto stress = [&](const char* name, std::vector<StressRecord>& table) {
        if (FilajArray(dir + name, table) > 0) return true;
        ReportError(std::string("Napaka: FilajArray(") + name + ") ");
        return false;
    };
    auto quality = [&](const char* name, std::vector<QualityRecord>& table) {
        if (FilajArray(dir + name, table) > 0) return true;
        ReportError(std::string("Napaka: FilajArray(") + name + ") ");
        return false;
    };
    if (!stress("vzn.out", vzn_) || !stress("vc.out", vc_) || !quality("vzn_e.out", vzn_e_) ||
        !quality("vzn_o.out", vzn_o_) || !quality("vc_e.out", vc_e_) ||
        !quality("vc_o.out", vc_o_)) {
        Release();
        return -1;
    }
    inventory_.SetForcedSpace(forced_space);
    return 0;
}

bool Syllabifier::DolociZvocnost(std::span<const int> indices, std::string& out) const {
    out.clear();
    out.reserve(indices.size());
    bool ok = true;
    const std::string& digits = inventory_.PhonemeClasses();
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const int index = indices[k];
        const char digit = (index >= 0 && static_cast<std::size_t>(index) < digits.size())
                               ? digits[static_cast<std::size_t>(index)]
                               : '\0';
        if (digit < '1' || digit > '4') {
            ReportError("  DolociZvocnost() failed: Position in string = " + std::to_string(k));
            ok = false;
        }
        out.push_back(SonorityOfDigit(digit));
    }
    return ok;
}

bool Syllabifier::DolociZvocnostGT(std::string_view letters, std::string& out) const {
    out.clear();
    out.reserve(letters.size());
    bool ok = true;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i] == 'r' && !inventory_.PreviousIsVowel(letters, i) &&
            !inventory_.NextIsVowel(letters, i)) {
            out.push_back('v');
            continue;
        }
        char sonority = 'n';
        if (!inventory_.LetterSonority(static_cast<unsigned char>(letters[i]), sonority))
            ok = false;
        out.push_back(sonority);
    }
    return ok;
}

void Syllabifier::AnalizaBesede(std::string_view word, WordAnalysis& r) const {
    r = WordAnalysis{};
    r.word = std::string(word.substr(0, kMaxWordLetters));
    r.length = static_cast<int>(r.word.size());
    if (!DolociZvocnostGT(r.word, r.sonority)) {
        ReportError("DolociZvocnostGT() called from AnalizaBesede(cBeseda = " + r.word + ")");
        ReportError("Function failed: DolociZvocnostGT(cBeseda = " + r.word + ")");
    }
    r.vowel_consonant.reserve(r.word.size());
    for (char c : r.word) r.vowel_consonant.push_back(inventory_.IsVowelLetter(c) ? 'v' : 'c');
    r.syllable_count = tarvox::DeljenjeNaZloge(r.sonority, r.syllables);

    const char brk = inventory_.SyllableBreak();
    for (std::size_t i = 0; i < r.syllables.size(); ++i) {
        const Syllable& s = r.syllables[i];
        if (s.last >= s.first) {
            const auto first = static_cast<std::size_t>(s.first);
            const auto count = static_cast<std::size_t>(s.last - s.first + 1);
            r.divided_sonority.append(r.sonority, first, count);
            r.divided_vc.append(r.vowel_consonant, first, count);
        }
        if (i + 1 < r.syllables.size() && brk != '\0') {
            r.divided_sonority.push_back(brk);
            r.divided_vc.push_back(brk);
        }
    }
    if (r.divided_sonority.size() > kMaxDividedLength) r.divided_sonority.resize(kMaxDividedLength);
    if (r.divided_vc.size() > kMaxDividedLength) r.divided_vc.resize(kMaxDividedLength);
}

int Syllabifier::StressFromSonorityTable(const WordAnalysis& r) const {
    const StressRecord* hit = Find(vzn_, r.divided_sonority);
    return hit && hit->number1 > 0 ? hit->number1 : 0;
}

int Syllabifier::StressFromVcTable(const WordAnalysis& r) const {
    const StressRecord* hit = Find(vc_, r.divided_vc);
    return hit && hit->number1 > 0 ? hit->number1 : 0;
}

int Syllabifier::DefaultStress(const WordAnalysis& r) const {
    const std::vector<std::int32_t>& list = inventory_.MostLikelySyllables();
    if (list.empty()) return 1;
    const std::size_t i = r.syllable_count > 0 ? static_cast<std::size_t>(r.syllable_count - 1) : 0;
    return list[std::min(i, list.size() - 1)];
}

int Syllabifier::ChooseStress(WordAnalysis& r) const {
    int n = StressFromSonorityTable(r);
    if (n == 0) n = StressFromVcTable(r);
    if (n == 0) n = DefaultStress(r);
    r.stressed = n;
    return n;
}

bool Syllabifier::DecideQuality(const WordAnalysis& r, char letter, std::string& accented) const {
    if (letter != 'e' && letter != 'o') return false;
    const char brk = inventory_.SyllableBreak();
    auto attempt = [&](const std::string& divided, const std::vector<QualityRecord>& table,
                       bool& found) {
        found = false;
        std::size_t start = 0;
        for (int k = 1; k < r.stressed; ++k) {
            const std::size_t pos = divided.find(brk, start);
            if (pos == std::string::npos) return false;
            start = pos + 1;
        }
        const std::size_t v = divided.find('v', start);
        if (v == std::string::npos) return false;
        std::string key = divided.substr(0, v);
        key += '/';
        key += letter;
        key.append(divided, v + 1);
        const QualityRecord* hit = Find(table, key);
        if (!hit) return false;
        found = true;
        const std::size_t slash = accented.find('/');
        if (slash == std::string::npos || slash + 1 >= accented.size()) return false;
        accented[slash + 1] = hit->result;
        return true;
    };
    bool found = false;
    if (attempt(r.divided_sonority, letter == 'e' ? vzn_e_ : vzn_o_, found)) return true;
    if (found) return false;
    return attempt(r.divided_vc, letter == 'e' ? vc_e_ : vc_o_, found);
}

void Syllabifier::Release() {
    vzn_.clear();
    vc_.clear();
    vzn_e_.clear();
    vzn_o_.clear();
    vc_e_.clear();
    vc_o_.clear();
}

}  // namespace tarvox
