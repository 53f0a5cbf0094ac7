#include "text/numbers.h"

#include <algorithm>

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

constexpr std::string_view kThousand = "tiso~ ";
constexpr std::string_view kPoint = "pika ";
constexpr long kMaxCardinal = 999999;
// Digit-by-digit words are collected in pieces of this many bytes.
constexpr std::size_t kDigitPiece = 54;
constexpr std::size_t kMaxFollowingWord = 63;
constexpr std::string_view kTooLongMessage =
    "*** Stavek je predolg. Ostanek stavka ne bo pretvorjen.";

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

void DropTrailingBlank(std::string& s) {
    if (!s.empty() && s.back() == ' ') s.pop_back();
}

void AppendWord(std::string& out, const std::string& word) {
    out += word;
    out.push_back(' ');
}

}  // namespace

int NumberTables::Read(const Profile& profile) {
    auto fail = [] {
        ReportError("Napaka: v ini datoteki (ini_gfp): pripravi_stevilke");
        return -1;
    };
    if (profile.GetItems("gl_stevnik", '\t', cardinals) != static_cast<int>(kWordItems)) {
        return fail();
    }
    if (profile.GetItems("vrst_koren", '\t', ordinal_stems) != static_cast<int>(kWordItems)) {
        return fail();
    }
    if (profile.GetItems("mesec", '\t', months) < 1) return fail();
    if (profile.GetItems("nasl_konc_mes", '\t', month_endings) < 1) return fail();
    profile.GetItems("vrst_konc_mes", '\t', month_results);
    if (month_results.size() != month_endings.size()) return fail();
    if (profile.GetItems("nasl_konc", '\t', word_endings) < 1) return fail();
    profile.GetItems("vrst_konc", '\t', word_results);
    if (word_results.size() != word_endings.size()) return fail();
    return 0;
}

int NumberWords(const NumberTables& tables, long value, std::string_view ending, bool ordinal,
                std::string& out, int& error) {
    error = kNumberOk;
    auto fail = [&](int code) {
        error = code;
        return -1;
    };
    if (value < 0) return fail(kNumberHundreds);
    if (tables.cardinals.size() < NumberTables::kWordItems ||
        tables.ordinal_stems.size() < NumberTables::kWordItems) {
        return fail(kNumberHundreds);
    }
    const std::size_t start = out.size();
    long n = value;
    bool thousands = false;
    bool hundreds = false;
    if (n > 99999) {
        const long k = n / 100000;
        if (k > 9) return fail(kNumberHundreds);
        AppendWord(out, tables.cardinals[static_cast<std::size_t>(99 + k)]);
        n -= 100000 * k;
        thousands = true;
    }
    if (n > 1999 || (n > 999 && thousands)) {
        const long m = n / 1000;
        if (m > 99) {
            out.resize(start);
            return fail(kNumberThousands);
        }
        AppendWord(out, tables.cardinals[static_cast<std::size_t>(m)]);
        n -= 1000 * m;
        thousands = true;
    }
    if (n > 999) {
        n -= 1000;
        thousands = true;
    }
    if (thousands) out += kThousand;
    if (n > 99) {
        const long h = n / 100;
        if (h > 9) {
            out.resize(start);
            return fail(kNumberHundreds);
        }
        AppendWord(out, tables.cardinals[static_cast<std::size_t>(99 + h)]);
        n -= 100 * h;
        hundreds = true;
    }
    if (!ordinal) {
        if (n > 0) AppendWord(out, tables.cardinals[static_cast<std::size_t>(n)]);
        if (value == 0) AppendWord(out, tables.cardinals[0]);
        return 0;
    }
    if (n > 0) {
        if (n > 99) {
            out.resize(start);
            return fail(kNumberOrdinal);
        }
        AppendWord(out, tables.ordinal_stems[static_cast<std::size_t>(n)]);
    } else if (hundreds) {
        DropTrailingBlank(out);
        out.push_back('t');
    }
    if (value == 0) AppendWord(out, tables.ordinal_stems[0]);
    DropTrailingBlank(out);
    out += ending.substr(0, NumberTables::kMaxEnding);
    out.push_back(' ');
    return 0;
}

int MonthIndex(const NumberTables& tables, std::string_view word) {
    for (std::size_t i = 0; i < tables.months.size(); ++i) {
        if (tables.months[i] == word) return static_cast<int>(i + 1);
    }
    return 0;
}

std::string_view ChooseEnding(std::string_view word, const std::vector<std::string>& endings,
                              const std::vector<std::string>& results) {
    for (std::size_t i = 0; i < endings.size() && i < results.size(); ++i) {
        if (word.ends_with(endings[i])) return results[i];
    }
    return {};
}

int ExpandNumbers(std::string& sentence, const NumberTables& tables, const CharClasses& classes) {
    const std::string_view s = sentence;
    auto at = [&](std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    std::string out;
    out.reserve(s.size() * 3 + 16);
    int error = kNumberOk;
    std::size_t i = 0;
    while (i < s.size()) {
        if (!IsAsciiDigit(s[i])) {
            out.push_back(s[i]);
            ++i;
        } else {
            const std::size_t start = i;
            long value = 0;
            bool too_large = false;
            while (i < s.size() && IsAsciiDigit(s[i])) {
                if (!too_large) {
                    value = value * 10 + (s[i] - '0');
                    if (value > kMaxCardinal) too_large = true;
                }
                ++i;
            }
            const std::size_t end = i;
            const bool ordinal_mark = at(end + 1) == '|';
            if ((s[start] == '0' && !ordinal_mark) || too_large) {
                // Digit by digit; a "|" right after a digit is read as a point.
                std::string piece;
                std::size_t j = start;
                while (j < s.size()) {
                    if (IsAsciiDigit(s[j])) {
                        AppendWord(piece, tables.cardinals[static_cast<std::size_t>(s[j] - '0')]);
                        ++j;
                    } else if (s[j] == '|' && j > start && IsAsciiDigit(s[j - 1])) {
                        piece += kPoint;
                        j += 2;
                    } else {
                        break;
                    }
                    if (piece.size() > kDigitPiece) {
                        out += piece;
                        piece.clear();
                    }
                }
                out += piece;
                i = j;
                if (i < s.size() && s[i] == ' ') ++i;  // the blank after the run
            } else if (ordinal_mark) {
                std::size_t w = end + 3;  // blank, mark, blank
                std::size_t w_end = w;
                while (w_end < s.size() && w_end - w < kMaxFollowingWord &&
                       classes.In(static_cast<unsigned char>(s[w_end]), kMaleCrke)) {
                    ++w_end;
                }
                const std::string_view word = w < s.size() ? s.substr(w, w_end - w) : std::string_view{};
                std::string_view ending;
                if (MonthIndex(tables, word) > 0) {
                    ending = ChooseEnding(word, tables.month_endings, tables.month_results);
                }
                if (ending.empty()) ending = ChooseEnding(word, tables.word_endings, tables.word_results);
                if (ending.empty()) ending = "i";
                if (NumberWords(tables, value, ending, true, out, error) < 0) break;
                i = std::min(end + 3, s.size());
            } else {
                if (NumberWords(tables, value, {}, false, out, error) < 0) break;
                if (i < s.size() && s[i] == ' ') ++i;  // the blank after the run
            }
        }
        if (out.size() > kSentenceStepLimit) {
            const std::size_t blank = out.rfind(' ', kSentenceStepLimit);
            out.resize(blank == std::string::npos ? 0 : blank);
            Trace(kTooLongMessage);
            break;
        }
    }
    if (error != kNumberOk) {
        static const char* const kMessages[] = {"",           "Napaka 001\n", "Napaka 002\n",
                                                "Napaka 003\n", "",           "Napaka 005\n",
                                                "Napaka 006\n", "Napaka 007"};
        ReportError(kMessages[error]);
        return -1;
    }
    std::size_t last = out.size();
    while (last > 0 && out[last - 1] == ' ') --last;
    if (last == 0 || !classes.In(static_cast<unsigned char>(out[last - 1]), kKoncnaLocila)) {
        out += out.empty() || out.back() != ' ' ? " ." : ".";
    }
    sentence = std::move(out);
    return 0;
}

}  // namespace tarvox
