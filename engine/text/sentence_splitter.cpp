#include "text/sentence_splitter.h"

#include <algorithm>
#include <array>

#include "base/diag.h"
#include "lexicon/char_classes.h"

namespace tarvox {
namespace {

constexpr std::string_view kLongSentenceMessage =
    "*** Stavek je predolg. Razdeljen bo na 2 stavka.";

// Full stops that end no sentence.
constexpr std::array<std::string_view, 7> kNoEndAfter = {" npr.", " Npr.", " NPR.", " oz.",
                                                         " OZ.",  " TJ.",  " tj."};

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A byte of a stored sentence; NUL before its start and after its end, as
// the four zero bytes of lead-in give.
char At(std::string_view s, std::ptrdiff_t i) {
    if (i < 0 || i >= static_cast<std::ptrdiff_t>(s.size())) return '\0';
    return s[static_cast<std::size_t>(i)];
}

}  // namespace

bool SentenceSplitter::Collect(std::string& s, const CharClasses& classes) {
    s.clear();
    const std::string_view text = pending_;
    auto u = [](char c) { return static_cast<unsigned char>(c); };

    while (position_ < text.size() &&
           (IsWhite(text[position_]) || classes.IsPunctuation(u(text[position_])))) {
        ++position_;
    }
    if (position_ >= text.size()) return false;

    std::ptrdiff_t stop = -1;         // pending full stop
    std::ptrdiff_t exclamation = -1;  // pending "!" or "?"
    auto earlier_mark = [&] {
        if (stop < 0) return exclamation;
        if (exclamation < 0) return stop;
        return std::min(stop, exclamation);
    };
    auto end_after = [&](std::ptrdiff_t mark) { s.resize(static_cast<std::size_t>(mark) + 1); };

    while (position_ < text.size()) {
        const char c = text[position_];
        if (c == '\n') {
            if (!s.empty() && s.back() == ' ') s.pop_back();
            if (!s.empty() && s.back() == '\n') {
                ++position_;
                if (earlier_mark() < 0) {
                    s.back() = '.';
                } else {
                    end_after(earlier_mark());
                }
                s.push_back('}');
                return true;
            }
            s.push_back('\n');
            ++position_;
            continue;
        }
        if (IsWhite(c)) {
            ++position_;
            if (s.size() >= kLongSentence && earlier_mark() < 0) {
                while (!s.empty() && IsWhite(s.back())) s.pop_back();
                s.push_back('.');
                Trace(kLongSentenceMessage);
                return true;
            }
            if (s.empty() || !IsWhite(s.back())) s.push_back(' ');
            continue;
        }
        if (!classes.IsKnown(u(c))) {
            ++position_;
            continue;
        }
        if (exclamation >= 0) {
            end_after(earlier_mark());  // c stays in the text
            return true;
        }
        s.push_back(c);
        ++position_;
        const auto here = static_cast<std::ptrdiff_t>(s.size()) - 1;
        if (c == '.') {
            if (stop >= 0) {
                if (s.size() >= 3 && s.compare(s.size() - 3, 3, "...") == 0) {
                    s.resize(s.size() - 3);
                    s += ".]";
                    return true;
                }
            } else if (std::any_of(kNoEndAfter.begin(), kNoEndAfter.end(), [&](std::string_view e) {
                           return s.size() >= e.size() &&
                                  std::string_view(s).substr(s.size() - e.size()) == e;
                       })) {
                s.pop_back();
            } else {
                stop = here;
            }
            continue;
        }
        if (stop >= 0) {
            const char before = At(s, stop - 1);
            // A letter alone before the stop (an initial, a letter's name)
            // and a lower-case word after it: the sentence goes on.
            const bool letter_alone = classes.IsLetter(u(before)) && !classes.IsLetter(u(At(s, stop - 2))) &&
                                      !classes.IsDigit(u(At(s, stop - 2)));
            if ((classes.IsDigit(u(before)) && (classes.IsDigit(u(c)) || classes.In(u(c), kMaleCrke))) ||
                (lower_case_continues_ && letter_alone && classes.In(u(c), kMaleCrke))) {
                stop = -1;
            } else {
                s.pop_back();
                --position_;  // given back to the text
                end_after(stop);
                return true;
            }
        }
        if (c == '!' || c == '?') exclamation = here;
    }
    if (earlier_mark() >= 0) {
        end_after(earlier_mark());
    } else if (!s.empty()) {
        s.push_back('.');
    }
    return !s.empty();
}

void RewriteSentence(std::string_view s, std::string& out, const CharClasses& classes,
                     std::size_t capacity) {
    out.clear();
    auto u = [](char c) { return static_cast<unsigned char>(c); };
    auto digit = [&](char c) { return classes.IsDigit(u(c)); };
    auto put = [&](char c) {
        if (out.size() < capacity) out.push_back(c);
    };
    const auto n = static_cast<std::ptrdiff_t>(s.size());
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        char c = s[static_cast<std::size_t>(i)];
        const char prev = At(s, i - 1);
        const char next = At(s, i + 1);
        if (c == '-' && next == '\n') {
            ++i;
            continue;
        }
        if (c == '-' && digit(next)) {
            c = '\\';
        } else if (c == ',' && digit(prev) && digit(next)) {
            c = '\'';
        } else if (c == '.') {
            if (digit(prev) && IsWhite(next)) {
                c = '|';
            } else if (next != '\0' && next != ']' && next != '}') {
                c = '"';
            }
        }
        if (IsWhite(c)) {
            if (!out.empty() && out.back() != ' ') put(' ');
            continue;
        }
        const unsigned char k = u(c);
        if (classes.IsPunctuation(k) || classes.In(k, kPosebniZnaki) ||
            classes.In(k, kDodatniZnaki)) {
            if (!out.empty() && out.back() != ' ') put(' ');
            put(c);
            put(' ');
            continue;
        }
        if (!out.empty() && ((classes.IsLetter(u(out.back())) && digit(c)) ||
                             (digit(out.back()) && classes.IsLetter(k)))) {
            put(' ');
        }
        put(c);
    }
    if (!out.empty() && out.back() != ' ') {
        if (out.size() < capacity) {
            out.push_back(' ');
        } else {
            out.back() = ' ';
        }
    }
    // The sentence ends with sentence-final punctuation.
    std::size_t last = out.size();
    while (last > 0 && out[last - 1] == ' ') --last;
    if (last == 0 || !classes.In(u(out[last - 1]), kKoncnaLocila)) {
        if (out.size() + 2 > capacity) out.resize(capacity >= 2 ? capacity - 2 : 0);
        if (!out.empty() && out.back() != ' ') out.push_back(' ');
        out.push_back('.');
    }
}

int SentenceSplitter::Next(const std::string_view* text, std::string& out,
                           const CharClasses& classes) {
    out.clear();
    if (text) {
        pending_.assign(*text);
        position_ = 0;
        has_pending_ = true;
    }
    if (!has_pending_) return 0;
    std::string stored;
    if (Collect(stored, classes)) RewriteSentence(stored, out, classes);
    if (out.empty()) {
        pending_.clear();
        pending_.shrink_to_fit();
        position_ = 0;
        has_pending_ = false;
    }
    return static_cast<int>(out.size());
}

}  // namespace tarvox
