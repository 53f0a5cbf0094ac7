// Clock times (8:15, 8:15:30, 8h) read as words. The hour takes one of three
// forms chosen by the word before the time: plain, after words like "ob"
// and after words like "okoli". All words come from the converter profile.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class CharClasses;
class Profile;

enum class HourForm { Plain = 0, Ob = 1, Okoli = 2 };

class TimeTables {
public:
    static constexpr std::size_t kMaxConjunction = 32;

    // pripravi_ure: reads ure, ure_ob, ure_okoli, minute, sekunde,
    // govori_nic_minut_ali_sekund, veznik_1..3, ure_ob_besede and
    // ure_okoli_besede. 0, or -1 after reporting the failure.
    int Read(const Profile& profile);

    std::vector<std::string> hours[3];        // by HourForm, 24 or more items
    std::vector<std::string> minutes;         // 60 or more
    std::vector<std::string> seconds;         // 60 or more
    bool speak_zeros = false;                 // govori_nic_minut_ali_sekund
    std::string conjunction[3];               // veznik_1, veznik_2, veznik_3
    std::vector<std::string> ob_words;        // select HourForm::Ob
    std::vector<std::string> okoli_words;     // select HourForm::Okoli
};

struct ClockTime {
    int hours = 0;
    int minutes = 0;
    int seconds = -1;  // -1 when absent
};

// A token such as "8:15", "8:15:30" or "8h"; false when it is no time.
bool ParseTime(std::string_view token, ClockTime& time);

// Appends the words of a time to `out`; false (and `out` untouched) when
// they would make `out` longer than `capacity`.
bool TimeWords(const TimeTables& tables, HourForm form, const ClockTime& time,
               std::string& out, std::size_t capacity);

// The whole-text step: times preceded by white space (or starting the text)
// are replaced by their words. `out` is replaced, at most 10240 bytes.
void ExpandTimes(std::string_view in, std::string& out, const TimeTables& tables,
                 const CharClasses& classes);

}  // namespace tarvox
