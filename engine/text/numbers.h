// Number expansion: every run of digits in the sentence becomes Slovenian
// number words from the converter profile. Cardinals up to 999999,
// ordinals (a run followed by the ordinal mark "|") with the ending that
// agrees with the following word or month name, digit-by-digit reading for
// runs with a leading zero and for runs above 999999.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class CharClasses;
class Profile;

class NumberTables {
public:
    static constexpr std::size_t kWordItems = 109;
    static constexpr std::size_t kMaxEnding = 7;

    // pripravi_stevilke: reads gl_stevnik, vrst_koren, mesec, nasl_konc_mes,
    // vrst_konc_mes, nasl_konc and vrst_konc. 0, or -1 after
    // "Napaka: v ini datoteki (ini_gfp): pripravi_stevilke".
    int Read(const Profile& profile);

    std::vector<std::string> cardinals;        // gl_stevnik: 0..99, then 100..900
    std::vector<std::string> ordinal_stems;    // vrst_koren
    std::vector<std::string> months;           // mesec
    std::vector<std::string> month_endings;    // nasl_konc_mes
    std::vector<std::string> month_results;    // vrst_konc_mes
    std::vector<std::string> word_endings;     // nasl_konc
    std::vector<std::string> word_results;     // vrst_konc
};

// Error codes of the number step (001 to 007); 0 is success.
enum NumberError : int {
    kNumberOk = 0,
    kNumberHundreds = 1,     // hundreds digit above 9
    kNumberThousands = 2,    // thousands part above 99
    kNumberOrdinal = 3,      // ordinal remainder above 99
    kNumberCutWords = 5,     // output position lost before words are copied
    kNumberCutChar = 6,      // output position lost before a character is copied
    kNumberCutEnd = 7,       // output position lost at the end of the sentence
};

// Appends the words of `value`, each followed by a blank; an ordinal takes
// `ending` on its last word. 0, or -1 with `error` set.
int NumberWords(const NumberTables& tables, long value, std::string_view ending, bool ordinal,
                std::string& out, int& error);

// 1-based position of the word in the month list, 0 when it is none.
int MonthIndex(const NumberTables& tables, std::string_view word);

// The result for the first ending (in list order) the word ends with, or
// empty.
std::string_view ChooseEnding(std::string_view word, const std::vector<std::string>& endings,
                              const std::vector<std::string>& results);

// Maximum output of the per-sentence steps.
inline constexpr std::size_t kSentenceStepLimit = 776;

// Rewrites the sentence in place. 0, or -1 (after "Napaka 00n") with the
// sentence unchanged.
int ExpandNumbers(std::string& sentence, const NumberTables& tables, const CharClasses& classes);

}  // namespace tarvox
