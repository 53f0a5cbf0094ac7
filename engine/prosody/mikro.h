// Micro prosody: a duration and a pitch for every phoneme of a sentence.
//
// The phonemic text (SAMPA names written together, words separated by the
// profile's separator, punctuation as words of their own) is cut into
// phrases at the final punctuation and every phrase into word records. A
// word is parsed into inventory indices, given sonority letters, divided
// into syllables and classified (word class "b"/"o", accent type "a"/"c",
// position Z/s/z/k/K). Its phonemes then take table durations, are scaled
// for the speed mode, normalised towards a target syllable rate, limited and
// scaled, and lengthened before punctuation; last come the pitch targets
// (mikro_pitch.cpp). The output is one stage record per phoneme, one per
// word boundary and one per punctuation mark.
//
// Decisions of our own, all tested:
//  - Jitter comes from a fixed-seed generator re-seeded at every run, so the
//    same sentence always gets the same pitch; K[46] <= 0 gives none.
//  - Rate normalisation by elasticity (method 0) leaves the durations alone
//    when no phoneme of the word is elastic (E = 0); so does every method
//    when the word's summed duration or its target rate is zero, and an
//    unknown method number.
//  - A word that no punctuation record follows (the phrase extraction
//    normally supplies one) takes the phrase-final position "K".
//  - The mark appended to a phrase that the input ends inside is preceded
//    by the separator, so that it forms a punctuation record of its own.
//  - Per-phoneme and per-class lists that the profile check does not cover
//    (minimum durations, ladder centres, vowel tables) read as 0 beyond
//    their end; phoneme indices beyond this profile's inventory are dropped.
//  - Duration ladders that would read the rung one past their end (400)
//    extend by one more step instead.
//  - An index key (Presledek, Vsiljeni_presledek, Meja_med_besedami) that
//    names no character of Nabor_locil counts as missing; list indices
//    outside it are passed over.
//  - Values leaving the 16-bit record fields saturate.
//
// Beyond the speed modes, a profile with "Hitrost_razmerje" (a real above 1)
// sets the speaking rate on a logarithmic scale: rate r (-10 to 10, also
// fractional) speaks ratio^(r/10) times as fast as rate 0, which stays the
// normal mode. The durations of a word, once normalised and limited as at
// the normal rate, are scaled together to 1/speed of their total, each
// phoneme by a power of that factor in proportion to its elasticity
// ("Krajsanje_Hiter_govor" when faster, "Daljsanje_Pocasen_govor" when
// slower), so that vowels change most; none goes below
// "Hitrost_najkrajsa" ms (about one pitch period; absent: 0). Pauses take
// the factor to the power "Hitrost_pavze" (absent: 1), so that with a power
// above 1 they change more than the phonemes, and stay within 1500 ms.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/profile.h"
#include "base/stages.h"
#include "lexicon/phonology.h"
#include "lexicon/syllables.h"

namespace tarvox {

// Everything read from the micro-prosody profile.
// The numbered constants of "Konstante" that the micro prosody reads, by
// name; the value is the constant's number in the list.
enum MikroConstant : std::size_t {
    kShorteningScale = 0,       // per-phoneme shortening, percent (fast)
    kLengtheningScale = 1,      // per-phoneme lengthening, percent (slow)
    kRateGainNormal = 2,        // rate-correction gain; + mode for fast, slow
    kBasePitch = 5,             // B, F, L of a word in the default position
    kFirstConsonantPitch = 6,
    kLastConsonantPitch = 7,
    kStressedRiseA = 10,        // word class b, accent type a: stressed,
    kNextRiseA = 11,            //   next and second-next nucleus
    kSecondNextRiseA = 12,
    kStressedRiseC = 15,        // word class b, accent type c
    kNextRiseC = 16,
    kShortStressedRiseC = 18,   // the same in short words under rule 4
    kShortNextRiseC = 19,
    kOneNucleusRiseA = 20,      // word class o: nucleus, and the last phoneme
    kOneNucleusLastA = 21,      //   above it (type a; type c below)
    kOneNucleusRiseC = 25,
    kOneNucleusLastC = 26,
    kAccentRule = 30,           // the rule that sets the accent type, 0 to 4
    kConsonantScale = 31,       // duration scale, percent
    kVowelScale = 32,
    kPauseScaleFast = 34,       // pause scale, percent
    kPauseScaleSlow = 35,
    kLargestRiseA = 36,         // between neighbouring nuclei
    kLargestFallA = 37,
    kLargestRiseC = 38,
    kLargestFallC = 39,
    kVowelFloor = 41,           // minimum-duration factor, percent
    kConsonantFloor = 42,
    kVowelFloorFast = 43,
    kConsonantFloorFast = 44,
    kJitter = 46,               // jitter amplitude, Hz
    kRateMethod = 47,           // rate-normalisation method, 0 to 2
    kFirstWordBasePitch = 50,   // B, F, L of a phrase's first word
    kFirstWordFirstPitch = 51,
    kFirstWordLastPitch = 52,
    kLastWordBasePitch = 53,    // B, F, L of a word before final punctuation
    kLastWordFirstPitch = 54,
    kLastWordLastPitch = 55,
    kLastWordNucleusRise = 56,
    kFinalLengthening = 57,     // phrase-final lengthening, percent
};

struct MikroProfile {
    static constexpr std::size_t kMaxPhonemes = 64;
    static constexpr std::size_t kMaxPauses = 15;
    static constexpr std::size_t kConstants = 80;

    std::string input_file, output_file;  // read and kept
    std::int32_t mode = 0;                // Hitrost
    double fine = 0;                      // Hitrost_Fina_nastavitev
    std::vector<std::string> names;       // Nabor_fonemov
    std::string classes;                  // Razvrstitev_fonemov
    std::string punctuation;              // Nabor_locil
    char separator = ' ';                 // Nabor_locil[Presledek]
    char forced_space = ' ';              // Nabor_locil[Vsiljeni_presledek]
    char word_boundary = '_';             // Nabor_locil[Meja_med_besedami]
    std::size_t word_boundary_index = 0;
    std::string final_marks;    // Koncna_locila as characters
    std::string marks;          // Locila as characters
    std::string special_marks;  // Posebna_locila as characters
    std::string blanks;         // Presledki
    std::string stress_marks;   // Naglasna_znamenja
    std::vector<std::int32_t> base_duration, vcv, cc, unstressed_duration, stressed_duration, pause,
        lengthening, shortening, minimum, ladder_centre, base_pitch, unstressed_pitch,
        stressed_pitch;
    std::array<std::array<float, 6>, 3> ta{};  // TA_Normalno, TA_Hitro, TA_Pocasi
    std::array<std::int32_t, kConstants> k{};  // Konstante, by MikroConstant
    // Optional: the logarithmic rate scale (ratio 0: the speed modes).
    double speed_ratio = 0;     // Hitrost_razmerje, above 1 to count
    double pause_exponent = 1;  // Hitrost_pavze
    std::int32_t shortest = 0;  // Hitrost_najkrajsa, ms

    // Reads every key in order and checks the counts; 0, or -1 after
    // reporting the first failure.
    int Read(Profile& profile);
};

// Speed mode and fine setting of a platform rate (-10 to 10, clamped).
struct Tempo {
    int mode = 0;
    double fine = 0;
};
Tempo TempoOfRate(int rate);

// The speed (times that of rate 0) of a rate (-10 to 10, clamped) on the
// logarithmic scale whose ends are `ratio` and 1 / `ratio`.
double SpeedOfRate(double rate, double ratio);

// Durations scaled towards `factor` times their total, each by factor to
// the power of its elasticity over the duration-weighted mean elasticity,
// then rescaled to the exact total, rounded and kept at `shortest` or more.
void ScaleDurations(std::vector<int>& durations, std::span<const int> elasticity, double factor,
                    int shortest);

// One word or punctuation mark of a phrase.
struct MikroWord {
    static constexpr std::size_t kMaxText = 66;

    char kind = 'b';  // 'b' word, 'l' punctuation
    std::string text;
    std::vector<int> phonemes;  // inventory indices, at most 64
    std::string sonority;       // v, z, n per phoneme
    std::vector<Syllable> syllables;
    char word_class = 'o';
    char accent_type = 'c';
    char position = 's';
    std::vector<int> duration;  // per phoneme, ms
    std::vector<int> pitch;     // per phoneme, Hz (0 = none)
    std::vector<int> column;    // table column of a stressed vowel (1-4), else 0
    char mark = '.';            // punctuation: the chosen mark
    int pause = 0;              // punctuation: its duration

    bool IsVowel(std::size_t i) const { return i < sonority.size() && sonority[i] == 'v'; }
    int SyllableOf(std::size_t i) const;
    int FirstStressed() const;  // -1 when no syllable is stressed
};

// A ladder of 400 candidate durations around `centre`, re-centred so that
// rung 199 is the one at which `d` lies.
std::array<int, 400> DurationLadder(int centre, double short_step, double long_step, int d);
// The rung whose summed durations reach `target`: the first j in 1..398 with
// sums[j-1] <= target < sums[j+1]; else 0 when sums[0] > target, else 399.
int ChooseRung(std::span<const long long, 400> sums, double target);

class TMikro final : public IMicroProsody {
  public:
    // Throws an int when the name has neither form or the profile cannot be
    // read (after logging why).
    TMikro(std::string_view profile_path, const Phonology& phonology);
    ~TMikro() override;

    // Sets the duration of the word-boundary record (ms).
    void Reset(int word_boundary_pause) override;
    // 0, -1 when the output cannot be prepared, -2 when processing fails.
    int Run(const char* transcription, int mode) override;
    std::span<const StageRecord> Records() const override { return records_; }
    int ReferencePitch() const override { return (p_.k[kFirstConsonantPitch] + p_.k[kLastConsonantPitch]) / 2; }
    void SetTempo(int rate) override;
    // A rate of -10 to 10 with fractions (on the logarithmic scale; with
    // the speed modes, rounded to the nearest whole rate).
    void SetRate(double rate) override;

    int Mode() const { return mode_; }
    double Fine() const { return fine_; }
    // Times the speed of rate 0 (1 with the speed modes).
    double Speed() const { return speed_; }
    const MikroProfile& profile() const { return p_; }

    // The phrases of a transcription as the word division sees them.
    std::vector<std::string> Phrases(std::string_view text) const;
    // The records of one phrase after analysis, durations and pitch.
    bool Process(std::string_view phrase, std::size_t input_length, std::vector<MikroWord>& words);

  private:
    bool NextPhrase(std::string_view in, std::size_t& pos, std::string& phrase) const;
    void Punctuation(MikroWord& w) const;
    void Analyse(MikroWord& w) const;
    char AccentType(const MikroWord& w) const;
    void SetPositions(std::vector<MikroWord>& words) const;
    void Durations(MikroWord& w) const;
    void Speed(MikroWord& w) const;
    void Normalise(MikroWord& w) const;
    void Limits(MikroWord& w) const;
    void Rate(MikroWord& w) const;
    int ScaledPause(int pause) const;
    void Pitch(MikroWord& w);
    int StressedClass(char c, const char* what) const;
    int UnstressedClass(char c, const char* what) const;
    void Output(const std::vector<MikroWord>& words);

    const Phonology phonology_;
    std::unique_ptr<Profile> profile_;
    MikroProfile p_;
    int mode_ = 0;
    double fine_ = 0;
    double speed_ = 1;
    std::mt19937 jitter_;
    std::vector<StageRecord> records_;
};

}  // namespace tarvox
