#include "text/grammar.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"

namespace tarvox {
namespace {

constexpr std::size_t kClassItems = 20;
constexpr std::size_t kNumeralItems = 8;

int Fail(std::string_view list) {
    ReportError("Napaka: v ini datoteki (ini_gfp): " + std::string(list));
    return -1;
}

std::string Ending(std::string_view item) { return item == "-" ? std::string() : std::string(item); }

std::optional<Case> CaseFromDigit(char d) {
    if (d < '1' || d > '6') return std::nullopt;
    return static_cast<Case>(d - '1');
}

}  // namespace

std::optional<Gender> ParseGender(char letter) {
    switch (letter) {
        case 'm': return Gender::kMasculine;
        case 'a': return Gender::kAnimate;
        case 'z': return Gender::kFeminine;
        case 's': return Gender::kNeuter;
        default: return std::nullopt;
    }
}

char GenderLetter(Gender g) {
    switch (g) {
        case Gender::kMasculine: return 'm';
        case Gender::kAnimate: return 'a';
        case Gender::kFeminine: return 'z';
        case Gender::kNeuter: return 's';
    }
    return 'm';
}

std::optional<Readings> ParseReadings(std::string_view codes) {
    Readings out;
    while (!codes.empty()) {
        const std::size_t comma = codes.find(',');
        const std::string_view code = codes.substr(0, comma);
        codes = comma == std::string_view::npos ? std::string_view() : codes.substr(comma + 1);
        if (code.size() != 3) return std::nullopt;
        const auto g = ParseGender(code[0]);
        const auto c = CaseFromDigit(code[2]);
        GrammaticalNumber n;
        switch (code[1]) {
            case 'e': n = GrammaticalNumber::kSingular; break;
            case 'd': n = GrammaticalNumber::kDual; break;
            case 'm': n = GrammaticalNumber::kPlural; break;
            default: return std::nullopt;
        }
        if (!g || !c) return std::nullopt;
        out.push_back({*g, n, *c});
    }
    return out;
}

int Grammar::FindClass(std::string_view name) const {
    for (std::size_t i = 0; i < classes_.size(); ++i)
        if (classes_[i].name == name) return static_cast<int>(i);
    return -1;
}

int Grammar::Read(const Profile& profile) {
    *this = Grammar();
    std::vector<std::string> items;
    if (profile.GetItems("sklanjatve", '\t', items) < 0) return 0;
    if (items.empty() || items.size() % kClassItems != 0) return Fail("sklanjatve");
    for (std::size_t i = 0; i < items.size(); i += kClassItems) {
        DeclensionClass k;
        k.name = items[i];
        const auto g = items[i + 1].size() == 1 ? ParseGender(items[i + 1][0]) : std::nullopt;
        if (!g) return Fail("sklanjatve");
        k.gender = *g;
        for (std::size_t e = 0; e < 18; ++e) k.endings[e] = Ending(items[i + 2 + e]);
        classes_.push_back(std::move(k));
    }

    items.clear();
    if (profile.GetItems("predlogi", '\t', items) > 0) {
        if (items.size() % 2 != 0) return Fail("predlogi");
        for (std::size_t i = 0; i < items.size(); i += 2) {
            const std::string& cases = items[i + 1];
            if (cases.empty() || !std::all_of(cases.begin(), cases.end(),
                                              [](char d) { return CaseFromDigit(d).has_value(); }))
                return Fail("predlogi");
            prepositions_.emplace(items[i], cases);
        }
    }
    profile.GetItems("prozorne_besede", '\t', transparent_);
    profile.GetItems("vezniki", '\t', conjunctions_);

    items.clear();
    if (profile.GetItems("stevniki", '\t', items) > 0) {
        if (items.size() % kNumeralItems != 0) return Fail("stevniki");
        for (std::size_t i = 0; i < items.size(); i += kNumeralItems) {
            const int value = items[i].size() == 1 ? items[i][0] - '0' : 0;
            const auto g = items[i + 1].size() == 1 ? ParseGender(items[i + 1][0]) : std::nullopt;
            if (value < 1 || value > 4 || !g || *g == Gender::kAnimate) return Fail("stevniki");
            for (int c = 0; c < kCaseCount; ++c)
                numerals_[static_cast<std::size_t>(value - 1)][static_cast<std::size_t>(*g)]
                         [static_cast<std::size_t>(c)] = items[i + 2 + static_cast<std::size_t>(c)];
        }
    }
    items.clear();
    if (profile.GetItems("stevniki_konc", '\t', items) >= 0) {
        if (items.size() != kCaseCount) return Fail("stevniki_konc");
        for (int c = 0; c < kCaseCount; ++c)
            numeral_endings_[static_cast<std::size_t>(c)] = Ending(items[static_cast<std::size_t>(c)]);
    }
    items.clear();
    if (profile.GetItems("stevniki_osnove", '\t', items) > 0) {
        if (items.size() % 2 != 0) return Fail("stevniki_osnove");
        for (std::size_t i = 0; i < items.size(); i += 2) numeral_stems_.emplace(items[i], items[i + 1]);
    }

    for (const char* list : {"oblike_koncnice", "oblike_izjeme"}) {
        items.clear();
        if (profile.GetItems(list, '\t', items) <= 0) continue;
        if (items.size() % 2 != 0) return Fail(list);
        auto& table = std::string_view(list) == "oblike_koncnice" ? endings_ : exceptions_;
        for (std::size_t i = 0; i < items.size(); i += 2) {
            auto readings = ParseReadings(items[i + 1]);
            if (!readings) return Fail(list);
            table.emplace(items[i], std::move(*readings));
            if (&table == &endings_) longest_ending_ = std::max(longest_ending_, items[i].size());
        }
    }
    // Words that never agree with a number before them (verbs, conjunctions):
    // known, with no readings.
    items.clear();
    profile.GetItems("besede_brez_oblik", '\t', items);
    for (const std::string& w : items) exceptions_.emplace(w, Readings{});
    return 0;
}

std::optional<Phrase> Grammar::ParsePhrase(std::string_view text) const {
    Phrase phrase;
    bool head = false;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        std::size_t end = i;
        while (end < text.size() && text[end] != ' ') ++end;
        if (end == i) break;
        const std::string_view token = text.substr(i, end - i);
        i = end;
        PhraseWord w;
        const std::size_t slash = token.rfind('/');
        if (slash == std::string_view::npos) {
            w.lemma = std::string(token);
            phrase.words.push_back(std::move(w));
            continue;
        }
        std::string_view stem = token.substr(0, slash);
        const std::string_view cls = token.substr(slash + 1);
        const std::size_t bar = stem.find('|');
        if (bar != std::string_view::npos) {
            w.lemma = std::string(stem.substr(0, bar));
            stem = stem.substr(bar + 1);
        } else {
            w.lemma = std::string(stem);
        }
        w.stem = std::string(stem);
        w.declension = FindClass(cls);
        if (w.declension < 0) {
            // An adjective family: NAME + m, z, s.
            if (FindClass(std::string(cls) + "m") < 0) return std::nullopt;
            w.declension = -2;
            w.family = std::string(cls);
        } else if (!head) {
            head = true;
            phrase.has_head = true;
            phrase.gender = classes_[static_cast<std::size_t>(w.declension)].gender;
        }
        phrase.declines = true;
        phrase.words.push_back(std::move(w));
    }
    if (phrase.words.empty()) return std::nullopt;
    return phrase;
}

std::string_view Grammar::AdjectiveEnding(std::string_view family, Gender g, GrammaticalNumber number,
                                          Case c) const {
    const char letter = g == Gender::kFeminine ? 'z' : g == Gender::kNeuter ? 's' : 'm';
    const int k = FindClass(std::string(family) + letter);
    if (k < 0) return {};
    if (g == Gender::kAnimate && number == GrammaticalNumber::kSingular && c == Case::kAccusative)
        c = Case::kGenitive;
    return classes_[static_cast<std::size_t>(k)].endings[static_cast<std::size_t>(Slot(number, c))];
}

std::string Grammar::Inflect(const Phrase& phrase, Gender gender, GrammaticalNumber number, Case c) const {
    std::string out;
    for (const PhraseWord& w : phrase.words) {
        if (!out.empty()) out.push_back(' ');
        if (w.declension == -1) {
            out += w.lemma;
        } else if (w.declension == -2) {
            out += w.stem;
            out += AdjectiveEnding(w.family, gender, number, c);
        } else {
            const std::string& e =
                classes_[static_cast<std::size_t>(w.declension)].endings[static_cast<std::size_t>(Slot(number, c))];
            if (e == "*") {
                out += w.lemma;
            } else {
                out += w.stem;
                out += e;
            }
        }
    }
    return out;
}

const Readings* Grammar::ReadingsOf(std::string_view word) const {
    if (word.empty()) return nullptr;
    const std::string key(word);
    if (auto it = exceptions_.find(key); it != exceptions_.end()) return &it->second;
    for (std::size_t n = std::min(longest_ending_, word.size()); n > 0; --n) {
        if (auto it = endings_.find(key.substr(key.size() - n)); it != endings_.end()) return &it->second;
    }
    return nullptr;
}

void Grammar::AddException(const std::string& word, const WordReading& r) {
    Readings& list = exceptions_[word];
    if (std::find(list.begin(), list.end(), r) == list.end()) list.push_back(r);
}

std::string_view Grammar::PrepositionCases(std::string_view word) const {
    if (auto it = prepositions_.find(std::string(word)); it != prepositions_.end()) return it->second;
    return {};
}

bool Grammar::IsConjunction(std::string_view word) const {
    return std::find(conjunctions_.begin(), conjunctions_.end(), word) != conjunctions_.end();
}

bool Grammar::IsTransparent(std::string_view word) const {
    return std::find(transparent_.begin(), transparent_.end(), word) != transparent_.end();
}

std::string_view Grammar::SmallNumeral(int value, Gender g, Case c) const {
    if (value < 1 || value > 4) return {};
    if (g == Gender::kAnimate) {
        if (value == 1 && c == Case::kAccusative) c = Case::kGenitive;
        g = Gender::kMasculine;
    }
    return numerals_[static_cast<std::size_t>(value - 1)][static_cast<std::size_t>(g)]
                    [static_cast<std::size_t>(c)];
}

std::string Grammar::DeclineCardinal(std::string_view word, Case c) const {
    const std::string& ending = numeral_endings_[static_cast<std::size_t>(c)];
    if (ending.empty()) return std::string(word);
    auto it = numeral_stems_.find(std::string(word));
    return (it != numeral_stems_.end() ? it->second : std::string(word)) + ending;
}

}  // namespace tarvox
