#include "text/context_reader.h"

#include <algorithm>
#include <cstdint>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "text/abbreviations.h"
#include "text/numbers.h"

namespace tarvox {
namespace {

using Number = GrammaticalNumber;

constexpr std::uint64_t kMillion = 1000000;
constexpr std::uint64_t kBillion = 1000000000;
constexpr std::size_t kMaxDigits = 12;        // up to 999 999 999 999
constexpr std::size_t kDigitByDigitFrom = 7;  // ungrouped runs this long: telephone numbers
constexpr std::string_view kOrdinalFamily = "p";

int Fail(std::string_view list) {
    ReportError("Napaka: v ini datoteki (ini_gfp): " + std::string(list));
    return -1;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "\xB0C" -> the byte 0xB0 and "C".
std::string Unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && HexValue(s[i + 2]) >= 0 &&
            HexValue(s[i + 3]) >= 0) {
            out.push_back(static_cast<char>(HexValue(s[i + 2]) * 16 + HexValue(s[i + 3])));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// The grammatical number and case of a noun counted by a number in case c.
struct NounForm {
    Number number;
    Case grammatical_case;
    bool operator==(const NounForm&) const = default;
};

NounForm CountForm(std::uint64_t value, bool decimal, Case c) {
    if (decimal) return {Number::kSingular, Case::kGenitive};
    const std::uint64_t r = value % 100;
    if (r == 1) return {Number::kSingular, c};
    if (r == 2) return {Number::kDual, c};
    if (r == 3 || r == 4) return {Number::kPlural, c};
    if (c == Case::kNominative || c == Case::kAccusative) return {Number::kPlural, Case::kGenitive};
    return {Number::kPlural, c};
}

// Cases in the order they are preferred when nothing else decides.
constexpr Case kCasePreference[kCaseCount] = {Case::kNominative, Case::kAccusative, Case::kGenitive,
                                              Case::kLocative,   Case::kDative,     Case::kInstrumental};

int CaseRank(Case c, std::string_view governed) {
    if (!governed.empty()) {
        const std::size_t at = governed.find(static_cast<char>('1' + static_cast<int>(c)));
        return at == std::string_view::npos ? -1 : static_cast<int>(at);
    }
    for (int k = 0; k < kCaseCount; ++k)
        if (kCasePreference[k] == c) return k;
    return -1;
}

Case FirstCase(std::string_view governed, Case otherwise) {
    return governed.empty() ? otherwise : static_cast<Case>(governed[0] - '1');
}

bool SameGender(Gender a, Gender b) {
    auto plain = [](Gender g) { return g == Gender::kAnimate ? Gender::kMasculine : g; };
    return plain(a) == plain(b);
}

struct Agreement {
    Gender gender = Gender::kMasculine;
    Number number = Number::kSingular;
    Case grammatical_case = Case::kNominative;
    bool found = false;
};

bool Supported(const Readings* r, Gender g, Number n, Case c) {
    if (!r) return false;
    return std::any_of(r->begin(), r->end(), [&](const WordReading& x) {
        return SameGender(x.gender, g) && x.number == n && x.grammatical_case == c;
    });
}

// A numeral (value, decimal) before a word with readings r1 (and the next
// word's r2), governed by the cases `governed`.
Agreement AgreeNumber(std::uint64_t value, bool decimal, std::string_view governed, const Readings* r1,
                      const Readings* r2) {
    Agreement best;
    int best_score = -1;
    if (r1) {
        int index = 0;
        for (const WordReading& x : *r1) {
            for (Case c : kCasePreference) {
                const int rank = CaseRank(c, governed);
                if (rank < 0) continue;
                if (!(CountForm(value, decimal, c) == NounForm{x.number, x.grammatical_case})) continue;
                const int score = (Supported(r2, x.gender, x.number, x.grammatical_case) ? 0 : 1000) +
                                  rank * 50 + index;
                if (best_score < 0 || score < best_score) {
                    best_score = score;
                    best = {x.gender, x.number, c, true};
                }
            }
            ++index;
        }
    }
    if (!best.found) {
        best.grammatical_case = FirstCase(governed, Case::kNominative);
        if (r1 && !r1->empty()) best.gender = r1->front().gender;
    }
    return best;
}

// An adjective (an ordinal, a title) before a word with readings r1.
Agreement AgreeAdjective(std::string_view governed, const Readings* r1, const Readings* r2,
                         bool singular_only, Case otherwise, bool prefer_otherwise = false) {
    Agreement best;
    int best_score = -1;
    if (r1) {
        int index = 0;
        for (const WordReading& x : *r1) {
            int rank = CaseRank(x.grammatical_case, governed);
            if (prefer_otherwise && governed.empty()) rank = x.grammatical_case == otherwise ? 0 : rank + 1;
            if (rank >= 0 && (!singular_only || x.number == Number::kSingular)) {
                const int score = (Supported(r2, x.gender, x.number, x.grammatical_case) ? 0 : 1000) +
                                  rank * 50 + index;
                if (best_score < 0 || score < best_score) {
                    best_score = score;
                    best = {x.gender, x.number, x.grammatical_case, true};
                }
            }
            ++index;
        }
    }
    if (!best.found) best.grammatical_case = FirstCase(governed, otherwise);
    return best;
}

int RomanValue(char c) {
    switch (c) {
        case 'I': return 1;
        case 'V': return 5;
        case 'X': return 10;
        case 'L': return 50;
        case 'C': return 100;
        case 'D': return 500;
        case 'M': return 1000;
        default: return 0;
    }
}

// The value of a Roman numeral in its usual (shortest) form; 0 otherwise.
int ParseRoman(std::string_view s) {
    if (s.empty() || s.size() > 15) return 0;
    int total = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int v = RomanValue(s[i]);
        if (v == 0) return 0;
        const int next = i + 1 < s.size() ? RomanValue(s[i + 1]) : 0;
        total += v < next ? -v : v;
    }
    if (total <= 0 || total > 3999) return 0;
    // Only the usual spelling counts ("IIII", "VX" do not).
    static constexpr std::pair<int, std::string_view> kParts[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    std::string canonical;
    int rest = total;
    for (const auto& [v, text] : kParts)
        while (rest >= v) {
            canonical += text;
            rest -= v;
        }
    return canonical == s ? total : 0;
}

struct Lexed {
    std::size_t end = 0;        // after the whole part (with its groups)
    std::string digits;         // of the whole part, groups joined
    bool grouped = false;
    std::string fraction;       // digits after a decimal comma
    std::size_t fraction_end = 0;
    std::uint64_t Value() const {
        std::uint64_t v = 0;
        for (char c : digits) v = v * 10 + static_cast<std::uint64_t>(c - '0');
        return v;
    }
    bool Readable() const {
        if (digits.size() > kMaxDigits) return false;
        if (digits.size() > 1 && digits[0] == '0') return false;
        return grouped || digits.size() < kDigitByDigitFrom;
    }
};

class Reader {
public:
    Reader(std::string_view in, std::string& out, const ContextTables& t, const NumberTables& n,
           const CharClasses& cl, const AbbreviationTable* abbreviations)
        : in_(in), out_(out), t_(t), g_(t.grammar), n_(n), cl_(cl) {
        if (abbreviations)
            for (const auto& pair : abbreviations->Pairs())
                if (pair.abbreviation.find(' ') != std::string::npos) multiword_.push_back(pair.abbreviation);
    }

    void Run();

private:
    char At(std::size_t i) const { return i < in_.size() ? in_[i] : '\0'; }
    bool Letter(std::size_t i) const { return i < in_.size() && cl_.IsLetter(U(in_[i])); }
    bool Upper(std::size_t i) const { return i < in_.size() && cl_.In(U(in_[i]), kVelikeCrke); }
    bool LowerLetter(std::size_t i) const { return i < in_.size() && cl_.In(U(in_[i]), kMaleCrke); }
    bool AlNum(std::size_t i) const { return Letter(i) || Digit(At(i)); }
    static unsigned char U(char c) { return static_cast<unsigned char>(c); }
    std::size_t WordEnd(std::size_t i) const {
        while (Letter(i)) ++i;
        return i;
    }
    std::size_t SkipBlanks(std::size_t i) const {
        while (At(i) == ' ') ++i;
        return i;
    }
    std::string Lower(std::size_t b, std::size_t e) const {
        std::string s(in_.substr(b, e - b));
        cl_.ToLower(s);
        return s;
    }
    // The word that ends before i (over blanks), lower-cased; its start.
    std::string WordBefore(std::size_t i, std::size_t& start) const {
        std::size_t e = i;
        while (e > 0 && in_[e - 1] == ' ') --e;
        std::size_t b = e;
        while (b > 0 && cl_.IsLetter(U(in_[b - 1]))) --b;
        start = b;
        return Lower(b, e);
    }
    std::string_view CasesBefore(std::size_t i) const;
    // The case of a unit or magnitude after the number at i.
    Case UnitCase(std::size_t i, std::string_view governed) const;
    bool AfterAccusativeVerb(std::size_t i) const;
    // The cases a number at i may take when no preposition governs it: all,
    // the accusative first after a verb of the accusative list.
    std::string_view OpenCases(std::size_t i) const { return AfterAccusativeVerb(i) ? "412356" : ""; }
    bool SentenceStartBefore(std::size_t i) const;
    const Readings* WordReadings(std::size_t i, std::size_t* end = nullptr) const;

    Lexed Lex(std::size_t i) const;
    bool Date(std::size_t i, int& day, int& month, std::size_t& month_end) const;
    const ContextTables::Unit* UnitAt(std::size_t i, std::size_t& end) const;
    const ContextTables::Magnitude* MagnitudeAt(std::size_t i, std::size_t& end) const;

    std::size_t Number(std::size_t i, char sign);
    // After the first number of a range: the range word for a dash.
    std::size_t RangeWord(std::size_t after) {
        const std::size_t d = SkipBlanks(after);
        if (At(d) == '-') {
            Emit(t_.range_word);
            out_.push_back(' ');
            return SkipBlanks(d + 1);
        }
        if (AlNum(after)) out_.push_back(' ');
        return after;
    }
    std::size_t Word(std::size_t i);

    void Emit(std::string_view words);
    std::string Citation(std::uint64_t value) const;
    // With `agree` false the last word stays as counted ("ena", "dva").
    std::string Cardinal(std::uint64_t value, Gender g, Case c, bool agree = true) const;
    std::string Ordinal(std::uint64_t value, const Agreement& a) const;
    std::string Decimal(const Lexed& x, Case c) const;
    std::string Digits(std::string_view digits) const;
    std::string Fraction(std::string_view digits) const;
    const ContextTables::Magnitude* Power(int power) const {
        for (const auto& m : t_.magnitudes)
            if (m.power == power) return &m;
        return nullptr;
    }

    std::string_view in_;
    std::string& out_;
    const ContextTables& t_;
    const Grammar& g_;
    const NumberTables& n_;
    const CharClasses& cl_;
    std::vector<std::string> multiword_;
};

std::string_view Reader::CasesBefore(std::size_t i) const {
    std::size_t start = 0;
    std::string word = WordBefore(i, start);
    if (!word.empty() && g_.IsConjunction(word)) {
        // "med 5 in 10", "med 1. in 3.": the preposition before the first.
        std::size_t b = start;
        while (b > 0 && in_[b - 1] == ' ') --b;
        if (b > 0 && in_[b - 1] == '.') --b;
        const std::size_t digits_end = b;
        while (b > 0 && (Digit(in_[b - 1]) || in_[b - 1] == ',')) --b;
        if (b < digits_end) word = WordBefore(b, start);
    }
    if (!word.empty() && g_.IsTransparent(word)) word = WordBefore(start, start);
    if (word.empty()) return {};
    return g_.PrepositionCases(word);
}

bool Reader::AfterAccusativeVerb(std::size_t i) const {
    std::size_t start = 0;
    std::string word = WordBefore(i, start);
    // Past an auxiliary or a pronoun ("kupil sem", "dal mu je").
    for (int k = 0; k < 2 && !word.empty(); ++k) {
        const Readings* r = g_.ReadingsOf(word);
        if (!r || !r->empty()) break;
        const auto& verbs = t_.accusative_verbs;
        if (std::find(verbs.begin(), verbs.end(), word) != verbs.end()) return true;
        word = WordBefore(start, start);
    }
    const auto& verbs = t_.accusative_verbs;
    return std::find(verbs.begin(), verbs.end(), word) != verbs.end();
}

Case Reader::UnitCase(std::size_t i, std::string_view governed) const {
    if (!governed.empty()) return FirstCase(governed, Case::kNominative);
    return AfterAccusativeVerb(i) ? Case::kAccusative : Case::kNominative;
}

bool Reader::SentenceStartBefore(std::size_t i) const {
    std::size_t b = i;
    while (b > 0 && (in_[b - 1] == ' ' || in_[b - 1] == '"' || in_[b - 1] == '(')) --b;
    return b == 0 || cl_.In(U(in_[b - 1]), kKoncnaLocila) || in_[b - 1] == '\n';
}

const Readings* Reader::WordReadings(std::size_t i, std::size_t* end) const {
    const std::size_t e = WordEnd(i);
    if (end) *end = e;
    if (e == i) return nullptr;
    const std::string word = Lower(i, e);
    if (!g_.PrepositionCases(word).empty()) return nullptr;
    const Readings* r = g_.ReadingsOf(word);
    return r && !r->empty() ? r : nullptr;
}

Lexed Reader::Lex(std::size_t i) const {
    Lexed x;
    std::size_t q = i;
    while (Digit(At(q))) x.digits.push_back(in_[q++]);
    // Groups of three after a first group of one to three digits; a blank
    // separates groups only when no number stands just before (telephone
    // numbers are read group by group).
    std::size_t before = i;
    while (before > 0 && in_[before - 1] == ' ') --before;
    const bool after_number = before < i && before > 0 && Digit(in_[before - 1]);
    if (x.digits.size() <= 3 && x.digits[0] != '0') {
        char separator = '\0';
        while ((At(q) == '.' || (At(q) == ' ' && !after_number)) && (separator == '\0' || At(q) == separator) &&
               Digit(At(q + 1)) && Digit(At(q + 2)) && Digit(At(q + 3)) && !Digit(At(q + 4))) {
            separator = in_[q];
            x.digits.append(in_.substr(q + 1, 3));
            x.grouped = true;
            q += 4;
        }
    }
    x.end = q;
    x.fraction_end = q;
    if (At(q) == ',' && Digit(At(q + 1))) {
        std::size_t f = q + 1;
        while (Digit(At(f))) x.fraction.push_back(in_[f++]);
        x.fraction_end = f;
    }
    return x;
}

// "1. 9." or "1.9.": a day and a month number, each followed by a full stop.
bool Reader::Date(std::size_t i, int& day, int& month, std::size_t& month_end) const {
    std::size_t q = i;
    int d = 0;
    while (Digit(At(q)) && q - i < 2) d = d * 10 + (in_[q++] - '0');
    if (Digit(At(q)) || At(q) != '.' || d < 1 || d > 31) return false;
    std::size_t m0 = SkipBlanks(q + 1);
    if (m0 > q + 2) return false;
    std::size_t r = m0;
    int m = 0;
    while (Digit(At(r)) && r - m0 < 2) m = m * 10 + (in_[r++] - '0');
    if (r == m0 || Digit(At(r)) || At(r) != '.' || m < 1 || m > 12) return false;
    if (Digit(At(r + 1))) return false;
    day = d;
    month = m;
    month_end = r + 1;
    return true;
}

const ContextTables::Unit* Reader::UnitAt(std::size_t i, std::size_t& end) const {
    for (const auto& u : t_.units) {
        if (in_.substr(i, u.symbol.size()) != u.symbol) continue;
        const std::size_t e = i + u.symbol.size();
        if (AlNum(e) && AlNum(e - 1)) continue;
        // A one-letter symbol that is also a preposition ("s") before a noun
        // is the preposition.
        if (u.symbol.size() == 1 && !g_.PrepositionCases(u.symbol).empty() && At(e) == ' ' &&
            WordReadings(e + 1))
            continue;
        end = e;
        return &u;
    }
    return nullptr;
}

const ContextTables::Magnitude* Reader::MagnitudeAt(std::size_t i, std::size_t& end) const {
    const std::size_t e = WordEnd(i);
    if (e == i) return nullptr;
    std::string word = Lower(i, e);
    const bool stop = At(e) == '.';
    for (const auto& m : t_.magnitudes) {
        if (m.word == word || (stop && m.word == word + ".")) {
            end = m.word.back() == '.' ? e + 1 : e;
            return &m;
        }
    }
    return nullptr;
}

void Reader::Emit(std::string_view words) {
    if (words.empty()) return;
    if (!out_.empty()) {
        const char last = out_.back();
        if (last != ' ' && last != '\n' && last != '\r' && last != '(' && last != '"') out_.push_back(' ');
    }
    out_ += words;
}

std::string Reader::Citation(std::uint64_t value) const {
    return Cardinal(value, Gender::kMasculine, Case::kNominative, false);
}

std::string Reader::Digits(std::string_view digits) const {
    std::string s;
    for (char d : digits) {
        if (!s.empty()) s.push_back(' ');
        s += n_.cardinals[static_cast<std::size_t>(d - '0')];
    }
    return s;
}

std::string Reader::Cardinal(std::uint64_t value, Gender g, Case c, bool agree) const {
    std::string s;
    auto append = [&s](std::string_view w) {
        if (w.empty()) return;
        if (!s.empty()) s.push_back(' ');
        s += w;
    };
    std::uint64_t rest = value;
    for (const int power : {9, 6}) {
        const std::uint64_t unit = power == 9 ? kBillion : kMillion;
        const std::uint64_t k = rest / unit;
        if (k == 0) continue;
        const auto* m = Power(power);
        if (!m || k > 999) return Digits(std::to_string(value));
        append(Cardinal(k, m->phrase.gender, Case::kNominative));
        const NounForm f = CountForm(k, false, Case::kNominative);
        append(g_.Inflect(m->phrase, f.number, f.grammatical_case));
        rest %= unit;
    }
    if (rest == 0 && value != 0) return s;
    std::string words;
    int error = 0;
    if (NumberWords(n_, static_cast<long>(rest), {}, false, words, error) < 0) return Digits(std::to_string(value));
    while (!words.empty() && words.back() == ' ') words.pop_back();
    const std::uint64_t r = rest % 100;
    if (agree && rest != 0 && r != 0) {
        const std::size_t last = words.rfind(' ') == std::string::npos ? 0 : words.rfind(' ') + 1;
        const std::string word = words.substr(last);
        std::string replaced;
        if (r <= 4) {
            replaced = std::string(g_.SmallNumeral(static_cast<int>(r), g, c));
        } else if (c != Case::kNominative && c != Case::kAccusative) {
            replaced = g_.DeclineCardinal(word, c);
        }
        if (!replaced.empty()) words = words.substr(0, last) + replaced;
    }
    append(words);
    return s;
}

std::string Reader::Ordinal(std::uint64_t value, const Agreement& a) const {
    const std::string_view ending = g_.AdjectiveEnding(kOrdinalFamily, a.gender, a.number, a.grammatical_case);
    std::string words;
    int error = 0;
    if (value > 999999 || NumberWords(n_, static_cast<long>(value), ending.empty() ? "i" : ending, true,
                                      words, error) < 0)
        return Citation(value);
    while (!words.empty() && words.back() == ' ') words.pop_back();
    return words;
}

std::string Reader::Fraction(std::string_view digits) const {
    std::size_t zeros = 0;
    while (zeros < digits.size() && digits[zeros] == '0') ++zeros;
    std::string s = Digits(digits.substr(0, zeros));
    const std::string_view rest = digits.substr(zeros);
    if (rest.empty()) return s;
    if (!s.empty()) s.push_back(' ');
    s += rest.size() <= 3 ? Citation(std::stoull(std::string(rest))) : Digits(rest);
    return s;
}

std::string Reader::Decimal(const Lexed& x, Case) const {
    // Decimals are not declined: "z nic cela tri sekunde".
    const Case c = Case::kNominative;
    const std::uint64_t whole = x.Value();
    std::string s;
    if (t_.decimal_comma && t_.decimal_comma->declines) {
        s = Cardinal(whole, t_.decimal_comma->gender, c);
        // Nothing whole counts as one: "nic cela pet".
        const NounForm f = CountForm(whole == 0 ? 1 : whole, false, c);
        s += ' ';
        s += g_.Inflect(*t_.decimal_comma, f.number, f.grammatical_case);
    } else {
        s = Citation(whole);
        if (t_.decimal_comma) {
            s += ' ';
            s += g_.Inflect(*t_.decimal_comma, Number::kSingular, Case::kNominative);
        }
    }
    s += ' ';
    s += Fraction(x.fraction);
    return s;
}

std::size_t Reader::Number(std::size_t i, char sign) {
    const std::size_t sign_at = sign ? i - 1 : i;
    const std::string_view governed = CasesBefore(sign_at);
    if (sign == '-') Emit(t_.minus_word);
    if (sign == '+') Emit(t_.plus_word);
    auto finish = [&](std::size_t end) {
        if (AlNum(end)) out_.push_back(' ');
        return end;
    };

    // Dates: "1. 9. 2026", "do 7. 8.", and a first day whose month comes
    // later ("od 3. do 5. 7.").
    int day = 0, month = 0;
    std::size_t month_end = 0;
    const bool has_months = t_.months.size() == 12;
    if (has_months && Date(i, day, month, month_end)) {
        Agreement a;
        a.grammatical_case = FirstCase(governed, Case::kGenitive);
        if (a.grammatical_case == Case::kNominative || a.grammatical_case == Case::kAccusative)
            a.grammatical_case = Case::kGenitive;
        Emit(Ordinal(static_cast<std::uint64_t>(day), a));
        Emit(g_.Inflect(t_.months[static_cast<std::size_t>(month - 1)], Number::kSingular, a.grammatical_case));
        std::size_t end = month_end;
        const std::size_t y = SkipBlanks(end);
        if (y > end && Digit(At(y))) {
            const Lexed year = Lex(y);
            if (year.fraction.empty() && !year.grouped && year.digits.size() == 4 && year.digits[0] != '0') {
                Emit(Citation(year.Value()));
                return finish(year.end);
            }
        }
        // The month's full stop may also end the sentence.
        const std::size_t next = SkipBlanks(end);
        if (next >= in_.size() || !LowerLetter(next)) out_.push_back('.');
        return finish(end);
    }

    const Lexed x = Lex(i);
    if (!x.Readable()) {
        Emit(Digits(x.digits));
        std::size_t end = x.end;
        if (!x.fraction.empty()) {
            if (t_.decimal_comma) Emit(g_.Inflect(*t_.decimal_comma, Number::kSingular, Case::kNominative));
            Emit(Digits(x.fraction));
            end = x.fraction_end;
        }
        return finish(end);
    }
    const std::uint64_t value = x.Value();
    const bool decimal = !x.fraction.empty();

    if (!decimal && At(x.end) == '.') {
        const std::size_t k = SkipBlanks(x.end + 1);
        // A first day whose month follows the next day.
        if (has_months && k > x.end + 1 && value >= 1 && value <= 31) {
            std::size_t w = k;
            if (At(w) == '-') {
                w = SkipBlanks(w + 1);
            } else {
                const std::size_t e = WordEnd(w);
                if (e > w && Lower(w, e) == t_.range_word) w = SkipBlanks(e);
                else w = k;
            }
            int d2 = 0, m2 = 0;
            std::size_t m2_end = 0;
            if (w > k && Date(w, d2, m2, m2_end)) {
                Agreement a;
                a.grammatical_case = FirstCase(governed, Case::kGenitive);
                if (a.grammatical_case == Case::kNominative || a.grammatical_case == Case::kAccusative)
                    a.grammatical_case = Case::kGenitive;
                Emit(Ordinal(value, a));
                return finish(x.end + 1);
            }
        }
        // An ordinal before a lower-case word (past "in 3." to the noun).
        if (k > x.end + 1 && LowerLetter(k)) {
            std::size_t noun = k;
            const std::size_t ce = WordEnd(k);
            if (g_.IsConjunction(Lower(k, ce)) || Lower(k, ce) == t_.range_word) {
                std::size_t d = SkipBlanks(ce);
                if (Digit(At(d))) {
                    while (Digit(At(d))) ++d;
                    if (At(d) == '.' && At(d + 1) == ' ') noun = SkipBlanks(d + 1);
                }
            }
            std::size_t e1 = 0;
            const Readings* r1 = WordReadings(noun, &e1);
            const Readings* r2 = At(e1) == ' ' ? WordReadings(e1 + 1) : nullptr;
            const Agreement a = AgreeAdjective(governed, r1, r2, false, Case::kNominative);
            Emit(Ordinal(value, a));
            return finish(x.end + 1);
        }
        // A full stop between digits ("12.30"): read as the two numbers.
        if (Digit(At(x.end + 1))) {
            Emit(Citation(value));
            out_.push_back(' ');
            return x.end + 1;
        }
    }

    const std::size_t after = decimal ? x.fraction_end : x.end;
    std::size_t k = SkipBlanks(after);
    // A range: the first number agrees with what follows the second.
    bool range = false;
    {
        std::size_t w = k;
        if (At(w) == '-') {
            w = SkipBlanks(w + 1);
        } else {
            const std::size_t e = WordEnd(w);
            if (e > w && (Lower(w, e) == t_.range_word || g_.IsConjunction(Lower(w, e)))) w = SkipBlanks(e);
        }
        if (w > k && Digit(At(w))) {
            const Lexed second = Lex(w);
            k = SkipBlanks(second.fraction.empty() ? second.end : second.fraction_end);
            range = true;
        }
    }

    std::size_t end = 0;
    if (const auto* m = MagnitudeAt(k, end)) {
        const Case c = UnitCase(sign_at, governed);
        Emit(decimal ? Decimal(x, c) : Cardinal(value, m->phrase.gender, c, m->phrase.declines));
        if (range) return RangeWord(after);
        const NounForm f = CountForm(value, decimal, c);
        Emit(g_.Inflect(m->phrase, f.number, f.grammatical_case));
        std::size_t unit_end = 0;
        const std::size_t u = SkipBlanks(end);
        if (const auto* unit = UnitAt(u, unit_end)) {
            Emit(g_.Inflect(unit->phrase, Number::kPlural, Case::kGenitive));
            end = unit_end;
        }
        return finish(end);
    }
    if (const auto* unit = UnitAt(k, end)) {
        const Case c = UnitCase(sign_at, governed);
        Emit(decimal ? Decimal(x, c) : Cardinal(value, unit->phrase.gender, c));
        if (range) return RangeWord(after);
        const NounForm f = CountForm(value, decimal, c);
        Emit(g_.Inflect(unit->phrase, f.number, f.grammatical_case));
        return finish(end);
    }
    if (range) {
        // "5-10": the first number, then the range word instead of the dash.
        std::size_t e1 = 0;
        const Readings* r1 = Letter(k) ? WordReadings(k, &e1) : nullptr;
        const Readings* r2 = r1 && At(e1) == ' ' ? WordReadings(e1 + 1) : nullptr;
        const Agreement a = AgreeNumber(value, decimal, governed, r1, r2);
        Emit(decimal ? Decimal(x, a.grammatical_case)
                     : (r1 || !governed.empty() ? Cardinal(value, a.gender, a.grammatical_case) : Citation(value)));
        return RangeWord(after);
    }
    std::size_t e1 = 0;
    const Readings* r1 = Letter(k) && k > after ? WordReadings(k, &e1) : nullptr;
    const Readings* r2 = r1 && At(e1) == ' ' ? WordReadings(e1 + 1) : nullptr;
    if (decimal) {
        Emit(Decimal(x, FirstCase(governed, Case::kNominative)));
        return finish(after);
    }
    if (!r1 && governed.empty()) {
        Emit(Citation(value));
        return finish(after);
    }
    const Agreement a = AgreeNumber(value, false, governed.empty() ? OpenCases(sign_at) : governed, r1, r2);
    Emit(Cardinal(value, a.gender, a.grammatical_case));
    return finish(after);
}

std::size_t Reader::Word(std::size_t i) {
    const std::size_t e = WordEnd(i);
    const std::string word(in_.substr(i, e - i));

    // Roman numerals after a name ("Karel IV.") or as ordinals before a
    // lower-case word ("II. svetovna vojna"). L, C, D and M alone are
    // letters ("vitamin C.", "Ana M."), I, V and X alone may be numerals.
    const int roman = ParseRoman(word);
    if (roman && (word.size() > 1 || roman <= 10)) {
        const bool stop = At(e) == '.';
        const std::size_t k = SkipBlanks(stop ? e + 1 : e);
        std::size_t before = 0;
        const std::string previous = WordBefore(i, before);
        const bool after_name = !previous.empty() && before < i && Upper(before) && LowerLetter(before + 1) &&
                                WordEnd(before) + 1 <= i && !SentenceStartBefore(i);
        const bool next_lower = k > (stop ? e + 1 : e) && LowerLetter(k);
        if ((after_name && (stop || word.size() >= 2)) || (stop && next_lower)) {
            Agreement a;
            if (after_name) {
                const Readings* r = g_.ReadingsOf(previous);
                a = AgreeAdjective({}, r, nullptr, true, Case::kNominative);
            } else {
                std::size_t e1 = 0;
                const Readings* r1 = WordReadings(k, &e1);
                const Readings* r2 = At(e1) == ' ' ? WordReadings(e1 + 1) : nullptr;
                a = AgreeAdjective(CasesBefore(i), r1, r2, false, Case::kNominative);
            }
            Emit(Ordinal(static_cast<std::uint64_t>(roman), a));
            if (stop && !next_lower) out_.push_back('.');
            return stop ? e + 1 : e;
        }
        return i;
    }

    if (At(e) != '.') return i;
    // An abbreviation of several words stays whole for the abbreviation step.
    for (const std::string& a : multiword_) {
        if (i + a.size() > in_.size()) continue;
        if (Lower(i, i + a.size()) == a && !Letter(i + a.size())) {
            out_.append(in_.substr(i, a.size()));
            return i + a.size();
        }
    }
    // Abbreviations that take the case of their phrase.
    std::string key = Lower(i, e) + ".";
    const auto it = t_.abbreviations.find(key);
    if (it == t_.abbreviations.end()) return i;
    const ContextTables::Abbreviation& ab = it->second;
    const std::size_t k = SkipBlanks(e + 1);
    if (ab.agrees_with_name && !Upper(k)) return i;
    const std::string_view governed = CasesBefore(i);
    if (ab.needs_context && governed.empty() && !SentenceStartBefore(i)) return i;
    Gender g = ab.phrase.gender;
    Case c = ab.fixed_case ? ab.default_case : FirstCase(governed, ab.default_case);
    if (ab.agrees_with_name) {
        const std::size_t e1 = WordEnd(k);
        const Readings* r = g_.ReadingsOf(Lower(k, e1));
        const Agreement a = AgreeAdjective(governed.empty() ? OpenCases(i) : governed, r, nullptr, true,
                                           ab.default_case, true);
        c = a.grammatical_case;
        if (!ab.phrase.has_head) g = a.gender;
    }
    std::string words = g_.Inflect(ab.phrase, g, Number::kSingular, c);
    if (Upper(i) && !words.empty()) words[0] = cl_.ToUpper(words[0]);
    Emit(words);
    std::size_t end = e + 1;
    if (!ab.agrees_with_name && (k >= in_.size() || At(k) == '\n' || At(k) == '\r')) out_.push_back('.');
    if (AlNum(end)) out_.push_back(' ');
    return end;
}

void Reader::Run() {
    std::size_t i = 0;
    while (i < in_.size()) {
        const char c = in_[i];
        if (Digit(c)) {
            i = Number(i, '\0');
            continue;
        }
        if ((c == '-' || c == '+') && Digit(At(i + 1)) &&
            (i == 0 || in_[i - 1] == ' ' || in_[i - 1] == '\n' || in_[i - 1] == '(')) {
            i = Number(i + 1, c);
            continue;
        }
        if (cl_.IsLetter(U(c)) && (i == 0 || !AlNum(i - 1))) {
            const std::size_t end = Word(i);
            if (end > i) {
                i = end;
                continue;
            }
            const std::size_t e = WordEnd(i);
            out_.append(in_.substr(i, e - i));
            i = e;
            continue;
        }
        if (U(c) >= 0x80) {
            // A character that the filter kept for the units and no unit took.
            const std::string& name = t_.symbol_names[U(c)];
            if (name.empty()) {
                Trace("Znak brez imena: " + std::to_string(U(c)));
                out_.push_back(' ');
            } else {
                Emit(name);
                out_.push_back(' ');
            }
            ++i;
            continue;
        }
        out_.push_back(c);
        ++i;
    }
}

}  // namespace

int ContextTables::Read(const Profile& profile) {
    *this = ContextTables();
    std::string value;
    if (profile.GetString("beri_v_sobesedilu", value) < 0) return 0;
    for (char& ch : value) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
    if (value != "true") return 0;
    if (grammar.Read(profile) != 0) return -1;
    if (!grammar.Present()) return Fail("sklanjatve");

    auto phrase = [this](const std::string& text, std::string_view list, Phrase& out) {
        auto p = grammar.ParsePhrase(text);
        if (!p) return Fail(list) == 0;
        out = std::move(*p);
        return true;
    };
    std::vector<std::string> items;
    if (profile.GetItems("enote", '\t', items) > 0) {
        if (items.size() % 2 != 0) return Fail("enote");
        for (std::size_t i = 0; i < items.size(); i += 2) {
            Unit u;
            u.symbol = Unescape(items[i]);
            if (u.symbol.empty() || !phrase(items[i + 1], "enote", u.phrase)) return -1;
            units.push_back(std::move(u));
        }
        std::stable_sort(units.begin(), units.end(),
                         [](const Unit& a, const Unit& b) { return a.symbol.size() > b.symbol.size(); });
    }
    items.clear();
    if (profile.GetItems("mnozitelji", '\t', items) > 0) {
        if (items.size() % 3 != 0) return Fail("mnozitelji");
        for (std::size_t i = 0; i < items.size(); i += 3) {
            Magnitude m;
            m.word = items[i];
            m.power = std::atoi(items[i + 1].c_str());
            if (m.power != 3 && m.power != 6 && m.power != 9) return Fail("mnozitelji");
            if (!phrase(items[i + 2], "mnozitelji", m.phrase)) return -1;
            magnitudes.push_back(std::move(m));
        }
    }
    items.clear();
    if (profile.GetItems("okrajsave_skloni", '\t', items) > 0) {
        if (items.size() % 3 != 0) return Fail("okrajsave_skloni");
        for (std::size_t i = 0; i < items.size(); i += 3) {
            Abbreviation a;
            for (char f : items[i + 1]) {
                if (f == 'i') a.agrees_with_name = true;
                else if (f == 'p') a.needs_context = true;
                else if (f == 'n') a.fixed_case = true;
                else if (f >= '1' && f <= '6') a.default_case = static_cast<Case>(f - '1');
                else if (f != '-') return Fail("okrajsave_skloni");
            }
            if (!phrase(items[i + 2], "okrajsave_skloni", a.phrase)) return -1;
            abbreviations.emplace(items[i], std::move(a));
        }
    }
    items.clear();
    if (profile.GetItems("meseci", '\t', items) > 0) {
        if (items.size() != 12) return Fail("meseci");
        for (const std::string& m : items) {
            Phrase p;
            if (!phrase(m, "meseci", p)) return -1;
            months.push_back(std::move(p));
        }
    }
    if (profile.GetString("decimalna_vejica", value) > 0) {
        Phrase p;
        if (!phrase(value, "decimalna_vejica", p)) return -1;
        decimal_comma = std::move(p);
    }
    profile.GetString("beseda_minus", minus_word);
    profile.GetString("beseda_plus", plus_word);
    profile.GetString("beseda_razpon", range_word);
    profile.GetItems("pred_tozilnikom", '\t', accusative_verbs);
    items.clear();
    if (profile.GetItems("imena_znakov", '\t', items) > 0) {
        if (items.size() % 2 != 0) return Fail("imena_znakov");
        for (std::size_t i = 0; i < items.size(); i += 2) {
            const std::string& hex = items[i];
            if (hex.size() != 2 || HexValue(hex[0]) < 0 || HexValue(hex[1]) < 0) return Fail("imena_znakov");
            symbol_names[static_cast<std::size_t>(HexValue(hex[0]) * 16 + HexValue(hex[1]))] = items[i + 1];
        }
    }
    // The forms of months and units are known: they decide the agreement of
    // a number before them better than their endings.
    for (const Phrase& m : months) {
        for (int c = 0; c < kCaseCount; ++c) {
            const auto cs = static_cast<Case>(c);
            grammar.AddException(grammar.Inflect(m, Number::kSingular, cs), {m.gender, Number::kSingular, cs});
        }
    }
    enabled_ = true;
    return 0;
}

void ReadInContext(std::string_view in, std::string& out, const ContextTables& tables,
                   const NumberTables& numbers, const CharClasses& classes,
                   const AbbreviationTable* abbreviations) {
    out.clear();
    out.reserve(in.size() + in.size() / 2 + 16);
    if (numbers.cardinals.size() < NumberTables::kWordItems) {
        out.assign(in);
        return;
    }
    Reader(in, out, tables, numbers, classes, abbreviations).Run();
}

}  // namespace tarvox
