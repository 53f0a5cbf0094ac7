#include "lexicon.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

namespace tarvox::langdata {
namespace {

struct Letter {
    std::string_view utf8;
    std::string_view lower;  // letter code, lower case
    std::string_view upper;  // letter code, capital
};

constexpr std::array<Letter, 10> kLetters = {{
    {"\xC4\x8D", "~", "^"},   // c caron
    {"\xC4\x8C", "~", "^"},   // C caron
    {"\xC5\xA1", "{", "["},   // s caron
    {"\xC5\xA0", "{", "["},   // S caron
    {"\xC5\xBE", "`", "@"},   // z caron
    {"\xC5\xBD", "`", "@"},   // Z caron
    {"\xC4\x87", "~", "^"},   // c acute
    {"\xC4\x86", "~", "^"},   // C acute
    {"\xC4\x91", "d`", "D@"}, // d stroke
    {"\xC4\x90", "d`", "D@"}, // D stroke
}};

bool IsCapitalAt(std::string_view w, std::size_t i, std::size_t& len) {
    const char c = w[i];
    if (c >= 'A' && c <= 'Z') {
        len = 1;
        return true;
    }
    for (std::size_t k = 1; k < kLetters.size(); k += 2) {
        if (w.substr(i, kLetters[k].utf8.size()) == kLetters[k].utf8) {
            len = kLetters[k].utf8.size();
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::string> LetterCode(std::string_view w) {
    // Wholly capital words of two or more letters keep their capitals.
    std::size_t letters = 0, capitals = 0;
    std::string lower, upper;
    for (std::size_t i = 0; i < w.size();) {
        const char c = w[i];
        ++letters;
        std::size_t len = 0;
        if (IsCapitalAt(w, i, len)) ++capitals;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            lower.push_back(static_cast<char>(c | 0x20));
            upper.push_back(static_cast<char>(c & ~0x20));
            i += 1;
            continue;
        }
        bool found = false;
        for (const Letter& l : kLetters) {
            if (w.substr(i, l.utf8.size()) == l.utf8) {
                lower += l.lower;
                upper += l.upper;
                i += l.utf8.size();
                found = true;
                break;
            }
        }
        if (!found) return std::nullopt;
    }
    if (letters == 0) return std::nullopt;
    return letters > 1 && capitals == letters ? upper : lower;
}

std::string ToWindows1250(std::string_view code) {
    std::string out;
    for (const char c : code) {
        switch (c) {
            case '~': out.push_back('\xE8'); break;
            case '{': out.push_back('\x9A'); break;
            case '`': out.push_back('\x9E'); break;
            case '^': out.push_back('\xC8'); break;
            case '[': out.push_back('\x8A'); break;
            case '@': out.push_back('\x8E'); break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::uint32_t Fnv1a(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

bool IsHeldOut(std::string_view key) {
    std::string lower(key);
    for (char& c : lower) {
        switch (c) {
            case '^': c = '~'; break;
            case '[': c = '{'; break;
            case '@': c = '`'; break;
            default:
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c | 0x20);
        }
    }
    return Fnv1a(lower) % 8 == 0;
}

std::vector<LexiconEntry> ReadLexicon(std::string_view text, LexiconReport& report) {
    std::vector<LexiconEntry> entries;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find('\n', i);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(i, end - i);
        i = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        ++report.lines;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            ++report.skipped;
            report.problems.push_back("no tab: " + std::string(line));
            continue;
        }
        LexiconEntry e;
        e.word = std::string(line.substr(0, tab));
        e.ipa = std::string(line.substr(tab + 1));
        const auto key = LetterCode(e.word);
        std::string bad;
        const auto phonemes = IpaToPhonemes(e.ipa, &bad);
        if (!key || !phonemes || phonemes->empty()) {
            ++report.skipped;
            report.problems.push_back(!key ? "letters: " + e.word
                                           : "IPA segment <" + bad + ">: " + e.word);
            continue;
        }
        e.key = *key;
        e.phonemes = *phonemes;
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<LexiconEntry> Select(const std::vector<LexiconEntry>& entries, Part part) {
    std::vector<LexiconEntry> out;
    for (const LexiconEntry& e : entries) {
        const bool held = IsHeldOut(e.key);
        if (part == Part::kAll || (part == Part::kHeldOut) == held) out.push_back(e);
    }
    return out;
}

std::vector<LexiconEntry> OnePerWord(const std::vector<LexiconEntry>& entries) {
    std::vector<LexiconEntry> out;
    std::map<std::string, std::size_t> where;
    for (const LexiconEntry& e : entries) {
        const bool stressed = std::any_of(e.phonemes.begin(), e.phonemes.end(),
                                          [](const std::string& p) { return IsStressedName(p); });
        const auto it = where.find(e.key);
        if (it == where.end()) {
            where.emplace(e.key, out.size());
            out.push_back(e);
            continue;
        }
        LexiconEntry& kept = out[it->second];
        const bool kept_stressed =
            std::any_of(kept.phonemes.begin(), kept.phonemes.end(),
                        [](const std::string& p) { return IsStressedName(p); });
        if (stressed && !kept_stressed) kept = e;
    }
    return out;
}

std::string DictionaryText(const std::vector<LexiconEntry>& entries) {
    std::string out;
    for (const LexiconEntry& e : entries) {
        out += e.key;
        out += '\t';
        out += Join(e.phonemes);
        out += "\r\n";
    }
    return out;
}

}  // namespace tarvox::langdata
