#include "text/time_expressions.h"

#include "base/diag.h"
#include "base/profile.h"
#include "lexicon/char_classes.h"
#include "text/character_filter.h"

namespace tarvox {
namespace {

constexpr std::size_t kHourItems = 24;
constexpr std::size_t kMinuteItems = 60;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(std::string s) {
    const char* white = " \t\r\n";
    const std::size_t first = s.find_first_not_of(white);
    if (first == std::string::npos) return {};
    const std::size_t last = s.find_last_not_of(white);
    return s.substr(first, last - first + 1);
}

int Fail(const char* what) {
    ReportError(std::string("Napaka: v ini datoteki (ini_gfp): pripravi_ure ") + what + "\n");
    return -1;
}

// Decimal value of a field of digits; -1 when it is too long to be a time.
int FieldValue(std::string_view digits) {
    if (digits.empty() || digits.size() > 4) return -1;
    int v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}

bool SameWord(std::string_view a, std::string_view b, const CharClasses& classes) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (classes.ToLower(a[i]) != classes.ToLower(b[i])) return false;
    }
    return true;
}

HourForm FormBefore(std::string_view text, std::size_t digit, const TimeTables& tables,
                    const CharClasses& classes) {
    std::size_t end = digit;
    while (end > 0 && IsWhite(text[end - 1])) --end;
    std::size_t start = end;
    while (start > 0 && classes.IsLetter(static_cast<unsigned char>(text[start - 1]))) --start;
    if (start == end) return HourForm::Plain;
    const std::string_view word = text.substr(start, end - start);
    for (const std::string& w : tables.ob_words) {
        if (SameWord(word, w, classes)) return HourForm::Ob;
    }
    for (const std::string& w : tables.okoli_words) {
        if (SameWord(word, w, classes)) return HourForm::Okoli;
    }
    return HourForm::Plain;
}

}  // namespace

int TimeTables::Read(const Profile& profile) {
    static const char* const kHourNames[3] = {"ure", "ure_ob", "ure_okoli"};
    for (int f = 0; f < 3; ++f) {
        if (profile.GetItems(kHourNames[f], '\t', hours[f]) < 0) return Fail(kHourNames[f]);
        if (hours[f].size() < kHourItems) return Fail(kHourNames[f]);
    }
    if (profile.GetItems("minute", '\t', minutes) < 0 || minutes.size() < kMinuteItems) {
        return Fail("minute");
    }
    if (profile.GetItems("sekunde", '\t', seconds) < 0 || seconds.size() < kMinuteItems) {
        return Fail("sekunde");
    }
    std::int32_t zeros = 0;
    if (profile.GetLong("govori_nic_minut_ali_sekund", zeros) < 0) {
        return Fail("govori_nic_minut_ali_sekund");
    }
    speak_zeros = zeros != 0;
    static const char* const kConjunctionNames[3] = {"veznik_1", "veznik_2", "veznik_3"};
    for (int k = 0; k < 3; ++k) {
        std::string value;
        if (profile.GetString(kConjunctionNames[k], value) < 0) return Fail(kConjunctionNames[k]);
        conjunction[k] = Trim(std::move(value));
        if (conjunction[k].size() > kMaxConjunction) return Fail(kConjunctionNames[k]);
    }
    if (profile.GetItems("ure_ob_besede", ',', ob_words) < 0) return Fail("ure_ob_besede");
    if (profile.GetItems("ure_okoli_besede", ',', okoli_words) < 0) {
        return Fail("ure_okoli_besede");
    }
    for (auto& w : ob_words) w = Trim(std::move(w));
    for (auto& w : okoli_words) w = Trim(std::move(w));
    return 0;
}

bool ParseTime(std::string_view token, ClockTime& time) {
    if (token.empty()) return false;
    int colons = 0;
    for (std::size_t i = 0; i < token.size(); ++i) {
        const char c = token[i];
        if (c == ':') {
            ++colons;
        } else if (c == 'h' || c == 'H') {
            if (i + 1 != token.size() || colons > 0) return false;
        } else if (!IsAsciiDigit(c)) {
            return false;
        }
    }
    if (colons > 2) return false;
    const char last = token.back();
    if (last == 'h' || last == 'H') {
        const int h = FieldValue(token.substr(0, token.size() - 1));
        if (h < 0 || h > 24) return false;
        time = ClockTime{h, 0, -1};
        return true;
    }
    if (colons == 0) return false;
    int fields[3] = {-1, -1, -1};
    int count = 0;
    std::size_t start = 0;
    while (start <= token.size()) {
        std::size_t end = token.find(':', start);
        if (end == std::string_view::npos) end = token.size();
        if (end > start) {
            if (count == 3) return false;
            fields[count] = FieldValue(token.substr(start, end - start));
            if (fields[count] < 0) return false;
            ++count;
        }
        start = end + 1;
    }
    if (count < 2) return false;
    if (fields[0] > 24 || fields[1] > 59) return false;
    if (count == 3 && fields[2] > 59) return false;
    time = ClockTime{fields[0], fields[1], count == 3 ? fields[2] : -1};
    return true;
}

bool TimeWords(const TimeTables& tables, HourForm form, const ClockTime& time,
               std::string& out, std::size_t capacity) {
    const auto& hours = tables.hours[static_cast<int>(form)];
    const int h = time.hours == 24 ? 0 : time.hours;
    if (h < 0 || static_cast<std::size_t>(h) >= hours.size()) return false;
    if (time.minutes < 0 || static_cast<std::size_t>(time.minutes) >= tables.minutes.size()) {
        return false;
    }
    if (time.seconds >= 0 && static_cast<std::size_t>(time.seconds) >= tables.seconds.size()) {
        return false;
    }
    std::string words = hours[static_cast<std::size_t>(h)];
    auto with_seconds = [&] {
        words += ' ' + tables.conjunction[1] + ' ' + tables.minutes[time.minutes] + ' ' +
                 tables.conjunction[0] + ' ' + tables.seconds[time.seconds];
    };
    auto minutes_only = [&] {
        words += ' ' + tables.conjunction[0] + ' ' + tables.minutes[time.minutes];
    };
    if (tables.speak_zeros) {
        if (time.seconds >= 0) {
            with_seconds();
        } else {
            minutes_only();
        }
    } else if (time.seconds > 0) {
        with_seconds();
    } else if (time.minutes != 0) {
        minutes_only();
    }
    words += ' ' + tables.conjunction[2];
    if (out.size() + words.size() > capacity) return false;
    out += words;
    return true;
}

void ExpandTimes(std::string_view in, std::string& out, const TimeTables& tables,
                 const CharClasses& classes) {
    out.clear();
    out.reserve(in.size() + 64);
    std::size_t i = 0;
    while (i < in.size() && out.size() < kTextBufferSize) {
        const char c = in[i];
        if (!IsAsciiDigit(c) || (i > 0 && !IsWhite(in[i - 1]))) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < in.size()) {
            const unsigned char t = static_cast<unsigned char>(in[end]);
            if (IsWhite(in[end])) break;
            if (t != ':' && (classes.In(t, kKoncnaLocila) || classes.In(t, kNekoncnaLocila))) break;
            ++end;
        }
        const std::string_view token = in.substr(i, end - i);
        ClockTime time;
        if (ParseTime(token, time) &&
            TimeWords(tables, FormBefore(in, i, tables, classes), time, out, kTextBufferSize)) {
            i = end;
            continue;
        }
        const std::size_t room = kTextBufferSize - out.size();
        out.append(token.substr(0, room));
        i = end;
    }
}

}  // namespace tarvox
