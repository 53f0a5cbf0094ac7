#include "text/units.h"

#include <array>

#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

constexpr MeasureUnit kTokenUnits[] = {
    {"EUR", 0, {"evro", "evra", "evri", "evrov"}},
    {"eur", 0, {"evro", "evra", "evri", "evrov"}},
    {"SIT", 0, {"tolar", "tolarja", "tolarji", "tolarjev"}},
    {"USD", 0, {"dolar", "dolarja", "dolarji", "dolarjev"}},
    {"usd", 0, {"dolar", "dolarja", "dolarji", "dolarjev"}},
    {"cm", 0, {"centimeter", "centimetra", "centimetri", "centimetrov"}},
    {"Hz", 0, {"herc", "herca", "herci", "hercov"}},
    {"hz", 0, {"herc", "herca", "herci", "hercov"}},
    {"kg", 0, {"kilogram", "kilograma", "kilogrami", "kilogramov"}},
    {"kHz", 0, {"kilo herc", "kilo herca", "kilo herci", "kilo hercov"}},
    {"khz", 0, {"kilo herc", "kilo herca", "kilo herci", "kilo hercov"}},
    {"km", 0, {"kilometer", "kilometra", "kilometri", "kilometrov"}},
    {"kW", 0, {"kilovat", "kilovata", "kilovati", "kilovatov"}},
    {"kw", 0, {"kilovat", "kilovata", "kilovati", "kilovatov"}},
    {"MHz", 0, {"mega herc", "mega herca", "mega herci", "mega hercov"}},
    {"mhz", 0, {"mega herc", "mega herca", "mega herci", "mega hercov"}},
    {"min", 1, {"minuta", "minuti", "minute", "minut"}},
    {"ms", 1, {"milisekunda", "milisekundi", "milisekunde", "milisekund"}},
    {"kB", 0, {"kilobajt", "kilobajta", "kilobajti", "kilobajtov"}},
    {"MB", 0, {"megabajt", "megabajta", "megabajti", "megabajtov"}},
    {"kb", 0, {"kilobit", "kilobita", "kilobiti", "kilobitov"}},
    {"Mb", 0, {"megabit", "megabita", "megabiti", "megabitov"}},
    {"kbps", 0, {"kilobit nasekundo", "kilobita nasekundo", "kilobiti nasekundo",
                 "kilobitov nasekundo"}},
    {"kBps", 0, {"kilobajt nasekundo", "kilobajta nasekundo", "kilobajti nasekundo",
                 "kilobajtov nasekundo"}},
    {"Mbps", 0, {"megabit nasekundo", "megabita nasekundo", "megabiti nasekundo",
                 "megabitov nasekundo"}},
    {"mbps", 0, {"megabit nasekundo", "megabita nasekundo", "megabiti nasekundo",
                 "megabitov nasekundo"}},
    {"MBps", 0, {"megabajt nasekundo", "megabajta nasekundo", "megabajti nasekundo",
                 "megabajtov nasekundo"}},
};

constexpr char kTolarSign[] = {static_cast<char>(0xEC), '\0'};

constexpr MeasureUnit kCharacterUnits[] = {
    {"C", 1, {"stopinja celzija", "stopinji celzija", "stopinje celzija", "stopinj celzija"}},
    {"W", 0, {"vat", "vata", "vati", "vatov"}},
    {"$", 0, {"dolar", "dolarja", "dolarji", "dolarjev"}},
    {std::string_view(kTolarSign, 1), 0, {"tolar", "tolarja", "tolarji", "tolarjev"}},
    {"m", 0, {"meter", "metra", "metri", "metrov"}},
    {"h", 1, {"ura", "uri", "ure", "ur"}},
    {"l", 0, {"liter", "litra", "litri", "litrov"}},
    {"s", 1, {"sekunda", "sekundi", "sekunde", "sekund"}},
};

// By last two digits 1 to 4, then gender.
constexpr std::string_view kNumerals[4][3] = {
    {"en ", "ena ", "eno "},
    {"dva ", "dve ", "dve "},
    {"trije ", "tri ", "tri "},
    {"{tirje ", "{tiri ", "{tiri "},
};

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// The leading decimal integer of a token ("-12" or "+5" included): its
// digits, without the sign and leading zeros; false when there is none.
bool LeadingInteger(std::string_view token, std::string& digits) {
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '-' || token[i] == '+')) ++i;
    const std::size_t start = i;
    while (i < token.size() && IsAsciiDigit(token[i])) ++i;
    if (i == start) return false;
    std::size_t first = start;
    while (first + 1 < i && token[first] == '0') ++first;
    digits.assign(token.substr(first, i - first));
    return true;
}

const MeasureUnit* FindUnit(std::string_view s, std::size_t at, std::size_t length) {
    const std::string_view token = s.substr(at, length);
    for (const MeasureUnit& unit : kTokenUnits) {
        if (unit.symbol == token) return &unit;
    }
    const bool blank_before = at == 0 || s[at - 1] == ' ';
    const bool blank_after = at + 1 < s.size() && s[at + 1] == ' ';
    if (length == 1 && blank_before && blank_after) {
        for (const MeasureUnit& unit : kCharacterUnits) {
            if (unit.symbol == token) return &unit;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const MeasureUnit> TokenUnits() { return kTokenUnits; }
std::span<const MeasureUnit> CharacterUnits() { return kCharacterUnits; }

std::string_view AgreeingNumeral(int last_two_digits, int gender) {
    if (last_two_digits < 1 || last_two_digits > 4 || gender < 0 || gender > 2) return {};
    return kNumerals[last_two_digits - 1][gender];
}

void ExpandUnits(std::string& sentence, const CharClasses& classes) {
    const std::string_view s = sentence;
    std::string out;
    out.reserve(s.size() + 64);
    std::ptrdiff_t previous_token = -1;
    std::ptrdiff_t current_token = -1;
    std::string digits;
    auto alnum = [&](char c) {
        const auto u = static_cast<unsigned char>(c);
        return classes.IsLetter(u) || classes.IsDigit(u);
    };
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i == 0 || s[i - 1] == ' ') {
            previous_token = current_token;
            current_token = static_cast<std::ptrdiff_t>(i);
            std::size_t length = 1;
            while (i + length < s.size() && alnum(s[i + length])) ++length;
            const MeasureUnit* unit = FindUnit(s, i, length);
            if (unit && previous_token >= 0) {
                std::size_t token_end = static_cast<std::size_t>(previous_token);
                while (token_end < s.size() && s[token_end] != ' ') ++token_end;
                const std::string_view previous =
                    s.substr(static_cast<std::size_t>(previous_token),
                             token_end - static_cast<std::size_t>(previous_token));
                if (LeadingInteger(previous, digits)) {
                    const std::size_t n = digits.size();
                    int r = digits[n - 1] - '0';
                    if (n > 1) r += 10 * (digits[n - 2] - '0');
                    if (r >= 1 && r <= 4) {
                        while (!out.empty() && out.back() == ' ') out.pop_back();
                        while (!out.empty() && IsAsciiDigit(out.back())) out.pop_back();
                        if (n > 2) {
                            out.append(digits, 0, n - 2);
                            out += "00 ";
                        }
                        out += AgreeingNumeral(r, unit->gender);
                    }
                    const int form = r == 1 ? 0 : r == 2 ? 1 : (r == 3 || r == 4) ? 2 : 3;
                    out += unit->forms[form];
                    out.push_back(' ');
                    i += length;
                    if (i < s.size()) ++i;  // the blank that the appended one replaces
                    continue;
                }
            }
        }
        out.push_back(c);
        ++i;
    }
    sentence = std::move(out);
}

}  // namespace tarvox
