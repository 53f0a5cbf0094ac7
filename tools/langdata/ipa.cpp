#include "ipa.h"

#include <algorithm>
#include <array>

namespace tarvox::langdata {
namespace {

// UTF-8 spellings of the marks a segment may carry.
constexpr std::string_view kAcute = "\xCC\x81";       // U+0301
constexpr std::string_view kGrave = "\xCC\x80";       // U+0300
constexpr std::string_view kCircumflex = "\xCC\x82";  // U+0302
constexpr std::string_view kBreve = "\xCC\x86";       // U+0306
constexpr std::string_view kLength = "\xCB\x90";      // U+02D0
constexpr std::string_view kTie = "\xCD\xA1";         // U+0361
constexpr std::string_view kNonSyllabic = "\xCC\xAF"; // U+032F

struct Base {
    std::string_view ipa;
    std::string_view unstressed;  // empty: a consonant
    std::string_view stressed;
    std::string_view consonant;   // names of a consonant, blank-separated
};

// Base characters (after the marks are removed).
constexpr std::array<Base, 38> kBases = {{
    {"a", "a", "a:", ""},
    {"e", "E", "e:", ""},
    {"\xC9\x9B", "E", "E:", ""},  // open e
    {"i", "i", "i:", ""},
    {"o", "O", "o:", ""},
    {"\xC9\x94", "O", "O:", ""},  // open o
    {"u", "u", "u:", ""},
    {"\xC9\x99", "@", "@:", ""},  // schwa
    {"p", "", "", "p"},
    {"b", "", "", "b"},
    {"t", "", "", "t"},
    {"d", "", "", "d"},
    {"k", "", "", "k"},
    {"g", "", "", "g"},
    {"\xC9\xA1", "", "", "g"},  // script g
    {"f", "", "", "f"},
    {"\xCA\x8B", "", "", "v"},  // v (its allophone is chosen from the context)
    {"v", "", "", "v"},
    {"w", "", "", "w"},
    {"\xCA\x8D", "", "", "W"},  // voiceless w
    {"s", "", "", "s"},
    {"z", "", "", "z"},
    {"\xCA\x83", "", "", "S"},  // esh
    {"\xCA\x92", "", "", "Z"},  // ezh
    {"x", "", "", "h"},
    {"h", "", "", "h"},
    {"\xC9\xA3", "", "", "h"},  // voiced velar fricative (h before a voiced sound)
    {"m", "", "", "m"},
    {"n", "", "", "n"},
    {"\xC5\x8B", "", "", "N"},  // eng
    {"\xC9\xB1", "", "", "F"},  // labiodental nasal
    {"l", "", "", "l"},
    {"\xCA\x8E", "", "", "l j"},  // palatal lateral
    {"\xC9\xB2", "", "", "n j"},  // palatal nasal
    {"r", "", "", "r"},
    {"\xC9\xBE", "", "", "r"},  // tap
    {"j", "", "", "j"},
    {"c", "", "", "ts"},  // only in the names of the letter c
}};

struct Affricate {
    std::string_view ipa;  // without the tie bar
    std::string_view names;
};
constexpr std::array<Affricate, 5> kAffricates = {{
    {"ts", "ts"},
    {"t\xCA\x83", "tS"},
    {"t\xC9\x95", "tS"},  // alveolo-palatal (loans)
    {"dz", "d z"},
    {"d\xCA\x92", "d Z"},
}};

// Vowels with a tone accent written as one precomposed character.
struct Precomposed {
    std::string_view utf8;
    char base;
};
constexpr std::array<Precomposed, 15> kPrecomposed = {{
    {"\xC3\xA1", 'a'}, {"\xC3\xA0", 'a'}, {"\xC3\xA2", 'a'},
    {"\xC3\xA9", 'e'}, {"\xC3\xA8", 'e'}, {"\xC3\xAA", 'e'},
    {"\xC3\xAD", 'i'}, {"\xC3\xAC", 'i'}, {"\xC3\xAE", 'i'},
    {"\xC3\xB3", 'o'}, {"\xC3\xB2", 'o'}, {"\xC3\xB4", 'o'},
    {"\xC3\xBA", 'u'}, {"\xC3\xB9", 'u'}, {"\xC3\xBB", 'u'},
}};

// Replaces a precomposed accented vowel by its base letter.
std::string Decompose(std::string_view s, bool& accented) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        bool hit = false;
        for (const Precomposed& p : kPrecomposed) {
            if (s.substr(i, p.utf8.size()) == p.utf8) {
                out.push_back(p.base);
                i += p.utf8.size();
                accented = hit = true;
                break;
            }
        }
        if (!hit) out.push_back(s[i++]);
    }
    return out;
}

std::string Without(std::string_view s, std::string_view mark, bool& found) {
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.substr(i, mark.size()) == mark) {
            found = true;
            i += mark.size();
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}

void AppendNames(std::string_view names, Phonemes& out) {
    std::size_t i = 0;
    while (i <= names.size()) {
        const std::size_t blank = std::min(names.find(' ', i), names.size());
        if (blank > i) out.emplace_back(names.substr(i, blank - i));
        i = blank + 1;
    }
}

bool IsVoicelessName(std::string_view n) {
    static constexpr std::array<std::string_view, 9> kVoiceless = {"p", "t", "k", "s", "S",
                                                                  "ts", "tS", "f", "h"};
    return std::find(kVoiceless.begin(), kVoiceless.end(), n) != kVoiceless.end();
}

// The contextual choices of the letter-to-sound rules: v before a vowel or
// r, l, j; W before a voiceless consonant; w elsewhere. N before k and g,
// F before f and v.
void Allophones(Phonemes& p) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        const std::string next = i + 1 < p.size() ? p[i + 1] : std::string();
        if (p[i] == "v") {
            if (IsVowelName(next) || next == "r" || next == "l" || next == "j") continue;
            p[i] = IsVoicelessName(next) ? "W" : "w";
        } else if (p[i] == "n" && (next == "k" || next == "g")) {
            p[i] = "N";
        } else if ((p[i] == "n" || p[i] == "m") &&
                   (next == "f" || next == "v" || next == "w" || next == "W")) {
            p[i] = "F";
        }
    }
}

}  // namespace

bool IsVowelName(std::string_view name) {
    return !name.empty() && std::string_view("aeEiOou@").find(name[0]) != std::string_view::npos &&
           (name.size() == 1 || name[1] == ':');
}

bool IsStressedName(std::string_view name) {
    return IsVowelName(name) && name.size() == 2 && name[1] == ':';
}

std::optional<Phonemes> IpaToPhonemes(std::string_view ipa, std::string* bad) {
    Phonemes out;
    std::size_t i = 0;
    while (i < ipa.size()) {
        const std::size_t blank = std::min(ipa.find(' ', i), ipa.size());
        const std::string_view segment = ipa.substr(i, blank - i);
        i = blank + 1;
        if (segment.empty()) continue;
        bool stressed = false, tie = false, ignored = false;
        std::string base = Decompose(segment, stressed);
        base = Without(base, kAcute, stressed);
        base = Without(base, kGrave, stressed);
        base = Without(base, kCircumflex, stressed);
        base = Without(base, kLength, stressed);
        base = Without(base, kBreve, ignored);
        base = Without(base, kTie, tie);
        bool non_syllabic = false;
        base = Without(base, kNonSyllabic, non_syllabic);
        if (non_syllabic && (base == "u" || base == "i")) {
            out.emplace_back(base == "u" ? "w" : "j");
            continue;
        }
        bool done = false;
        if (tie || base.size() == 2 || base.size() == 3) {
            for (const Affricate& a : kAffricates) {
                if (base == a.ipa) {
                    AppendNames(a.names, out);
                    done = true;
                    break;
                }
            }
        }
        if (!done) {
            for (const Base& b : kBases) {
                if (base != b.ipa) continue;
                if (b.unstressed.empty()) {
                    AppendNames(b.consonant, out);
                } else {
                    out.emplace_back(stressed ? b.stressed : b.unstressed);
                }
                done = true;
                break;
            }
        }
        if (!done) {
            if (bad) *bad = std::string(segment);
            return std::nullopt;
        }
    }
    Allophones(out);
    return out;
}

std::string Join(const Phonemes& phonemes) {
    std::string s;
    for (const std::string& p : phonemes) s += p;
    return s;
}

Phonemes SplitNames(std::string_view text, const std::vector<std::string>& inventory) {
    auto known = [&](std::string_view n) {
        return std::find(inventory.begin(), inventory.end(), n) != inventory.end();
    };
    Phonemes out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + 1 < text.size() && known(text.substr(i, 2))) {
            out.emplace_back(text.substr(i, 2));
            i += 2;
        } else {
            out.emplace_back(text.substr(i, 1));
            i += 1;
        }
    }
    return out;
}

const std::vector<std::string>& VoiceInventory() {
    static const std::vector<std::string> kInventory = {
        "a", "E", "i", "O", "u", "@", "a:", "e:", "E:", "i:", "o:", "O:", "u:",
        "@:", "p", "b", "t", "d", "k", "g", "f", "v", "w", "W", "s", "z", "S",
        "Z", "ts", "tS", "h", "m", "n", "F", "N", "l", "r", "j"};
    return kInventory;
}

}  // namespace tarvox::langdata
