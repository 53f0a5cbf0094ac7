#include "readings.h"

#include <algorithm>
#include <unordered_map>

#include "lexicon.h"

namespace tarvox::langdata {
namespace {

std::vector<std::string_view> Tags(std::string_view s) {
    std::vector<std::string_view> tags;
    std::size_t i = 0;
    while ((i = s.find('<', i)) != std::string_view::npos) {
        const std::size_t e = s.find('>', i);
        if (e == std::string_view::npos) break;
        tags.push_back(s.substr(i + 1, e - i - 1));
        i = e + 1;
    }
    return tags;
}

char CaseDigit(std::string_view tag) {
    static constexpr std::string_view kCases[] = {"nom", "gen", "dat", "acc", "loc", "ins"};
    for (int k = 0; k < 6; ++k)
        if (tag == kCases[k]) return static_cast<char>('1' + k);
    return '\0';
}

}  // namespace

std::string LowerUtf8(std::string_view s) {
    // ASCII and the capitals of c, s, z with caron (U+010C, U+0160, U+017D)
    // and c with acute, d with stroke; other letters make LetterCode fail.
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto& c = out[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const auto b = static_cast<unsigned char>(c);
        if ((b == 0xC4 || b == 0xC5) && i + 1 < out.size()) {
            const auto n = static_cast<unsigned char>(out[i + 1]);
            // Latin Extended-A: capitals are the even code points.
            if ((b == 0xC4 && (n == 0x8C || n == 0x86 || n == 0x90)) || (b == 0xC5 && (n == 0xA0 || n == 0xBD)))
                out[i + 1] = static_cast<char>(n + 1);
            ++i;
        }
    }
    return out;
}

std::map<std::string, FormReadings> ReadParadigmListing(std::string_view text, std::size_t& skipped) {
    std::map<std::string, FormReadings> forms;
    skipped = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t e = text.find('\n', i);
        if (e == std::string_view::npos) e = text.size();
        const std::string_view line = text.substr(i, e - i);
        i = e + 1;
        const std::size_t colon = line.rfind(':');
        const std::size_t lt = line.find('<');
        if (colon == std::string_view::npos || lt == std::string_view::npos || lt > colon) {
            if (!line.empty()) ++skipped;
            continue;
        }
        const auto tags = Tags(line.substr(lt, colon - lt));
        if (tags.empty() || (tags[0] != "n" && tags[0] != "np" && tags[0] != "adj")) {
            ++skipped;
            continue;
        }
        char gender = '\0', number = '\0', grammatical_case = '\0';
        for (std::string_view t : tags) {
            if (t == "mi" || t == "m") gender = 'm';
            else if (t == "ma") gender = 'a';
            else if (t == "f") gender = 'z';
            else if (t == "nt") gender = 's';
            else if (t == "sg") number = 'e';
            else if (t == "du") number = 'd';
            else if (t == "pl") number = 'm';
            else if (char d = CaseDigit(t)) grammatical_case = d;
        }
        const auto key = LetterCode(LowerUtf8(line.substr(colon + 1)));
        if (!gender || !number || !grammatical_case || !key || key->empty()) {
            ++skipped;
            continue;
        }
        // An adjective's accusative singular masculine in -ega is the form of
        // an animate noun.
        if (tags[0] == "adj" && gender == 'm' && number == 'e' && grammatical_case == '4' &&
            key->ends_with("ega"))
            gender = 'a';
        FormReadings& f = forms[*key];
        if (tags[0] == "np" && tags.size() > 1 && tags[1] == "ant") f.given_name = true;
        f.codes.insert(std::string{gender, number, grammatical_case});
        f.lemmas.insert(std::string(line.substr(0, lt)));
    }
    return forms;
}

std::string PredictedReadings(const ReadingTables& tables, std::string_view form) {
    std::string best;
    std::size_t best_length = 0;
    for (const auto& [ending, codes] : tables.endings) {
        if (ending.size() > best_length && form.ends_with(ending)) {
            best = codes;
            best_length = ending.size();
        }
    }
    return best;
}

ReadingTables BuildReadingTables(const std::map<std::string, FormReadings>& forms,
                                 const std::set<std::string>& exception_lemmas,
                                 const EndingOptions& options,
                                 const std::vector<std::pair<std::string, std::string>>& extra) {
    struct Count {
        std::size_t forms = 0;
        std::map<std::string, std::size_t> codes;
    };
    std::unordered_map<std::string, Count> counts;
    for (const auto& [form, f] : forms) {
        for (std::size_t n = 1; n <= std::min(options.max_ending, form.size()); ++n) {
            Count& c = counts[form.substr(form.size() - n)];
            ++c.forms;
            for (const std::string& code : f.codes) ++c.codes[code];
        }
    }
    auto listed = [&](const Count& c) {
        std::vector<std::pair<std::size_t, std::string>> v;
        for (const auto& [code, n] : c.codes)
            if (static_cast<double>(n) >= options.min_share * static_cast<double>(c.forms)) v.push_back({n, code});
        std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first > b.first : a.second < b.second;
        });
        std::string s;
        for (std::size_t k = 0; k < v.size() && k < options.max_readings; ++k) {
            if (!s.empty()) s.push_back(',');
            s += v[k].second;
        }
        return s;
    };
    ReadingTables tables;
    std::map<std::string, std::string> kept;  // ending -> codes
    for (std::size_t n = 1; n <= options.max_ending; ++n) {
        std::vector<std::string> endings;
        for (const auto& [ending, c] : counts)
            if (ending.size() == n && c.forms >= options.min_forms) endings.push_back(ending);
        std::sort(endings.begin(), endings.end());
        for (const std::string& ending : endings) {
            const std::string codes = listed(counts[ending]);
            if (codes.empty()) continue;
            // Kept only where it says something its own shorter ending does not.
            std::string parent;
            for (std::size_t k = n - 1; k > 0; --k)
                if (auto it = kept.find(ending.substr(n - k)); it != kept.end()) {
                    parent = it->second;
                    break;
                }
            if (codes == parent) continue;
            kept[ending] = codes;
            tables.endings.push_back({ending, codes});
        }
    }
    for (const auto& [form, f] : forms) {
        const bool listed_lemma = std::any_of(f.lemmas.begin(), f.lemmas.end(), [&](const std::string& l) {
            return exception_lemmas.count(l) > 0;
        });
        if (!listed_lemma && !(options.given_names && f.given_name)) continue;
        std::string codes;
        for (const std::string& code : f.codes) {
            if (!codes.empty()) codes.push_back(',');
            codes += code;
        }
        const std::string predicted = PredictedReadings(tables, form);
        const bool covered = std::all_of(f.codes.begin(), f.codes.end(), [&](const std::string& code) {
            return predicted.find(code) != std::string::npos;
        });
        if (!covered) tables.exceptions.push_back({form, codes});
    }
    for (const auto& e : extra) tables.exceptions.push_back(e);
    return tables;
}

std::string ProfileLists(const ReadingTables& tables) {
    std::string out;
    auto list = [&out](const char* name, const auto& pairs) {
        out += name;
        out += " =";
        std::size_t on_line = 0;
        for (const auto& [key, codes] : pairs) {
            if (on_line % 4 == 0) out += "\n";
            out += "\t" + key + "\t" + codes;
            ++on_line;
        }
        out += "\n";
    };
    list("oblike_koncnice", tables.endings);
    list("oblike_izjeme", tables.exceptions);
    return out;
}

}  // namespace tarvox::langdata
