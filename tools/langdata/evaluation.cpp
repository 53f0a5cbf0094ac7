#include "evaluation.h"

#include <algorithm>

namespace tarvox::langdata {
namespace {

std::string FullOf(const std::string& name) { return name == "W" ? std::string("w") : name; }

// The sound with a stressed e or o keeping its quality.
std::string QualityOf(const std::string& name) {
    if (name == "e:" || name == "o:") return name.substr(0, 1);
    return SoundOf(name);
}

// A nasal before f, v or w is the labiodental F, as it is spoken.
Phonemes Labiodental(Phonemes p) {
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const std::string& next = p[i + 1];
        if ((p[i] == "m" || p[i] == "n" || p[i] == "F") &&
            (next == "f" || next == "v" || next == "w" || next == "W"))
            p[i] = "F";
    }
    return p;
}

Phonemes Map(const Phonemes& p, std::string (*f)(const std::string&)) {
    Phonemes out;
    out.reserve(p.size());
    for (const std::string& n : Labiodental(p)) out.push_back(f(n));
    return out;
}

std::size_t CountIf(const Phonemes& p, bool (*f)(std::string_view)) {
    return static_cast<std::size_t>(std::count_if(p.begin(), p.end(), [f](const std::string& n) { return f(n); }));
}

}  // namespace

std::string SoundOf(const std::string& name) {
    if (name == "W") return "w";
    if (!IsVowelName(name)) return name;
    switch (name[0]) {
        case 'e':
        case 'E': return "E";
        case 'o':
        case 'O': return "O";
        default: return std::string(1, name[0]);
    }
}

std::size_t EditDistance(const Phonemes& a, const Phonemes& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

namespace {

// The syllable of the main stress (the last stressed vowel), counted in
// vowels from the word's start; -1 without a stress.
int MainStress(const Phonemes& p) {
    int vowel = 0, stressed = -1;
    for (const std::string& name : p) {
        if (!IsVowelName(name)) continue;
        if (IsStressedName(name)) stressed = vowel;
        ++vowel;
    }
    return stressed;
}

}  // namespace

WordScore ScoreWord(const Phonemes& reference, const Phonemes& hypothesis) {
    WordScore s;
    const Phonemes rs = Map(reference, SoundOf), hs = Map(hypothesis, SoundOf);
    s.edits = EditDistance(rs, hs);
    s.length = reference.size();
    s.sounds_right = s.edits == 0;
    // A clitic: one syllable, read without a stress.
    const bool clitic = CountIf(reference, IsVowelName) == 1 && CountIf(hypothesis, IsStressedName) == 0;
    if (clitic) {
        s.quality_right = s.all_right = s.sounds_right;
        s.stress_right = true;
        return s;
    }
    s.stress_right = MainStress(reference) == MainStress(hypothesis);
    s.quality_right = s.sounds_right && Map(reference, QualityOf) == Map(hypothesis, QualityOf);
    s.all_right = s.sounds_right && Map(reference, FullOf) == Map(hypothesis, FullOf);
    return s;
}

void Scores::Add(const WordScore& w) {
    ++words;
    sounds_right += w.sounds_right ? 1 : 0;
    quality_right += w.quality_right ? 1 : 0;
    all_right += w.all_right ? 1 : 0;
    stress_right += w.stress_right ? 1 : 0;
    edits += w.edits;
    length += w.length;
}

double Scores::SoundsRate() const {
    return words ? static_cast<double>(sounds_right) / static_cast<double>(words) : 0.0;
}
double Scores::QualityRate() const {
    return words ? static_cast<double>(quality_right) / static_cast<double>(words) : 0.0;
}

double Scores::StressRate() const {
    return words ? static_cast<double>(stress_right) / static_cast<double>(words) : 0.0;
}

double Scores::PhonemeErrorRate() const {
    return length ? static_cast<double>(edits) / static_cast<double>(length) : 0.0;
}
double Scores::AllRightRate() const {
    return words ? static_cast<double>(all_right) / static_cast<double>(words) : 0.0;
}

}  // namespace tarvox::langdata
