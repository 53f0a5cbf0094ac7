#include "text/capitals.h"

#include <algorithm>
#include <vector>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "text/numbers.h"

namespace tarvox {

int LetterNames::Read(const Profile& profile) {
    *this = LetterNames();
    bool spell = false;
    if (ReadGfpSwitch(profile, "crkuj_soglasniske_kratice", spell) != 0) return -1;
    std::vector<std::string> items;
    if (profile.GetItems("imena_crk", '\t', items) < 0) return 0;
    if (items.empty() || items.size() % 3 != 0) {
        ReportError("Napaka: v ini datoteki (ini_gfp): imena_crk");
        return -1;
    }
    for (std::size_t i = 0; i < items.size(); i += 3) {
        if (items[i].size() != 1 || items[i + 2].find('/') == std::string::npos) {
            ReportError("Napaka: v ini datoteki (ini_gfp): imena_crk");
            return -1;
        }
        const auto c = static_cast<unsigned char>(items[i][0]);
        plain_[c] = items[i + 1];
        stressed_[c] = items[i + 2];
    }
    present_ = true;
    spell_consonant_runs_ = spell;
    return 0;
}

std::string LetterNames::Spell(std::string_view run) const {
    std::string word;
    for (std::size_t k = 0; k < run.size(); ++k) {
        const auto c = static_cast<unsigned char>(run[k]);
        const std::string& name = k + 1 == run.size() ? stressed_[c] : plain_[c];
        if (name.empty()) return {};
        word += name;
    }
    return word;
}

void CapitalsAndAcronyms(std::string& sentence, const CharClasses& classes,
                         const CapitalFormLookup& is_entry, bool sms_delovanje,
                         const LetterNames* names) {
    const std::string_view s = sentence;
    auto u = [](char c) { return static_cast<unsigned char>(c); };
    auto upper = [&](char c) { return classes.In(u(c), kVelikeCrke); };
    auto lower = [&](char c) { return classes.In(u(c), kMaleCrke); };
    auto letter = [&](char c) { return classes.IsLetter(u(c)); };
    auto final_mark = [&](char c) { return classes.In(u(c), kKoncnaLocila); };
    auto at = [&](std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    const char separator = classes.ForcedSeparator();

    std::string out;
    out.reserve(s.size() * 2 + 16);
    std::size_t i = 0;
    while (i < s.size() && out.size() <= kSentenceStepLimit) {
        const char c = s[i];
        const char left = out.empty() ? ' ' : out.back();
        if (!upper(c) || (left != ' ' && !lower(left))) {
            out.push_back(c);
            ++i;
            continue;
        }
        if (lower(left) || lower(at(i + 1))) {
            out.push_back(classes.ToLower(c));
            ++i;
            continue;
        }
        // A run of capitals after a blank.
        std::size_t end = i;
        while (end < s.size() && end - i < kMaxCapitalRun && upper(s[end])) ++end;
        const std::string_view run = s.substr(i, end - i);
        if (run.size() > 1 && is_entry && is_entry(run)) {
            out += run;
            i = end;
            continue;
        }
        if (sms_delovanje) {
            for (char r : run) out.push_back(classes.ToLower(r));
            i = end;
            continue;
        }
        // Looking back: sentence start, and whether the previous word is in
        // capitals.
        bool sentence_start = true;
        bool previous_capitals = false;
        {
            std::size_t j = i;
            while (j > 0 && !letter(s[j - 1])) {
                if (final_mark(s[j - 1])) break;
                --j;
            }
            if (j > 0 && letter(s[j - 1])) {
                sentence_start = false;
                int capitals = 0;
                while (j > 0 && letter(s[j - 1])) {
                    if (upper(s[j - 1])) ++capitals;
                    --j;
                }
                previous_capitals = capitals > 1;
            }
        }
        // Looking ahead: whether the next word is in capitals.
        bool next_capitals = false;
        {
            std::size_t j = end;
            bool after_final = false;
            while (j < s.size() && !letter(s[j])) {
                if (s[j] == ' ' && j > 0 && final_mark(s[j - 1])) after_final = true;
                ++j;
            }
            int capitals = 0;
            while (j < s.size() && letter(s[j]) && !lower(s[j])) {
                ++capitals;
                ++j;
            }
            next_capitals = capitals > 1 && !after_final;
        }
        const bool consonants_only =
            run.size() > 1 && names && names->SpellsConsonantRuns() &&
            std::none_of(run.begin(), run.end(), [&](char r) {
                return classes.IsVowel(u(r)) || classes.IsVowel(u(classes.ToLower(r)));
            });
        if (!consonants_only && (previous_capitals || next_capitals || run.size() > 3)) {
            for (char r : run) out.push_back(classes.ToLower(r));
            i = end;
            if (run.size() > 3) {
                out.push_back(' ');
                if (at(i) == ' ') ++i;
            }
            continue;
        }
        const std::string spelled =
            names && names->Present() && !(run.size() == 1 && sentence_start) ? names->Spell(run) : std::string();
        if (!spelled.empty()) {
            if (!out.empty() && out.back() != ' ') out.push_back(' ');
            out += spelled;
            out.push_back(' ');
        } else if (run.size() == 1 && sentence_start) {
            out.push_back(classes.ToLower(run[0]));
            out.push_back(' ');
        } else {
            auto put_separator = [&] {
                if (separator != '\0') {
                    out.push_back(separator);
                    out.push_back(' ');
                }
            };
            out.push_back(' ');
            put_separator();
            for (char r : run) {
                out.push_back(r);
                out.push_back(' ');
                put_separator();
            }
        }
        i = end;
        if (at(i) == ' ') ++i;
    }
    if (out.size() > kSentenceStepLimit) out.resize(kSentenceStepLimit);
    std::size_t last = out.size();
    while (last > 0 && out[last - 1] == ' ') --last;
    if (last == 0 || !final_mark(out[last - 1])) out += out.empty() || out.back() != ' ' ? " ." : ".";
    sentence = std::move(out);
}

}  // namespace tarvox
