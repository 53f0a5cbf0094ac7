// The bundled voice's database, as built: 100 sentences' phoneme strings
// through the driver's prosody and waveform stages select every alophone
// and find their diphones recorded, and the sound follows its targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "driver/sint.h"
#include "lexicon/sampa.h"
#include "synth/psola.h"
#include "text/codepage.h"

namespace tarvox {
namespace {

std::vector<std::string> CheckSentences() {
    std::vector<std::string> lines;
    std::ifstream in(TARVOX_CHECK_PHONEMES);
    std::string line;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \r") != std::string::npos) lines.push_back(line);
    return lines;
}

// Reads the voice's configuration and starts the driver's stages.
void Start(Configuration& config, Sint& sint, const std::string& dir) {
    config.SetBaseDirectory(dir);
    ASSERT_EQ(config.ProcessSintIni(), 0) << LastError();
    ASSERT_EQ(sint.InitSint(), 0) << LastError();
    ASSERT_TRUE(sint.InitPsola()) << LastError();
}

TEST(BundledVoice, SentencesSelectEveryAlophoneAndFindTheirDiphones) {
    const std::string dir = TARVOX_VOICE_BUILD_DIR;
    if (!std::filesystem::exists(dir + "/data/QuenlarOrin.dat"))
        GTEST_SKIP() << "the voice is not built";
    const auto sentences = CheckSentences();
    ASSERT_GE(sentences.size(), 100u);

    Configuration config;
    Sint sint(config);
    ASSERT_NO_FATAL_FAILURE(Start(config, sint, dir));

    int missing = 0, init_messages = 0;
    SetTraceHook([&](std::string_view text) {
        if (text.find("Diphone not found") != std::string_view::npos) ++missing;
        if (text.find("TPsola::Init") != std::string_view::npos) ++init_messages;
    });
    std::size_t joins = 0;
    int loudest = 0;
    for (const std::string& s : sentences) {
        ASSERT_EQ(sint.Prozodija(s.c_str()), 0) << s;
        joins += sint.OutputList().size() - 1;
        std::int32_t count = 0;
        const std::int16_t* samples = sint.SintezaGovoraStream(count);
        ASSERT_NE(samples, nullptr) << s;
        ASSERT_GT(count, 400 + 1600) << s;
        const std::span<const std::int16_t> audio(samples, static_cast<std::size_t>(count));
        int peak = 0;
        for (std::int16_t v : audio) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 1000) << "silent: " << s;
        loudest = std::max(loudest, peak);
    }
    SetTraceHook({});
    sint.ReleaseSint();
    EXPECT_GT(joins, 3000u);
    EXPECT_EQ(init_messages, 0);
    EXPECT_LT(missing * 100, static_cast<int>(joins)) << missing << " of " << joins << " joins";
    // The platform's default volume doubles the samples.
    EXPECT_LT(2 * loudest, 32760);
}

// The period (samples) of x[from, to) by normalised autocorrelation over
// the lags of 400 Hz down to 50 Hz: the shortest lag whose local maximum
// reaches 0.9 of the best one (no octave drop), refined by a parabola. 0
// when nothing repeats.
double MeasuredPeriod(std::span<const std::int16_t> x, std::size_t from, std::size_t to) {
    constexpr std::size_t lo = kSampleRate / 400, hi = kSampleRate / 50;
    if (to <= from || to + hi + 1 > x.size()) return 0;
    std::vector<double> r(hi + 2, 0.0);
    double best = 0;
    for (std::size_t k = lo - 1; k <= hi + 1; ++k) {
        double c = 0, e0 = 0, ek = 0;
        for (std::size_t i = from; i < to; ++i) {
            c += double(x[i]) * x[i + k];
            e0 += double(x[i]) * x[i];
            ek += double(x[i + k]) * x[i + k];
        }
        r[k] = e0 > 0 && ek > 0 ? c / std::sqrt(e0 * ek) : 0;
        if (k >= lo && k <= hi) best = std::max(best, r[k]);
    }
    for (std::size_t k = lo; k <= hi && best > 0; ++k) {
        if (r[k] < 0.9 * best || r[k] < r[k - 1] || r[k] < r[k + 1]) continue;
        const double den = r[k - 1] - 2 * r[k] + r[k + 1];
        return double(k) + (den < 0 ? 0.5 * (r[k - 1] - r[k + 1]) / den : 0.0);
    }
    return 0;
}

// The target pitch of an entry of L samples at t: start to middle over the
// first half, middle to end over the second.
double TargetPitch(const AlophoneEntry& e, std::int64_t length, std::int64_t t) {
    const std::int64_t half = length / 2;
    if (t < half)
        return e.pitch_start + double(e.pitch_mid - e.pitch_start) * double(t) / double(half);
    return e.pitch_mid +
           double(e.pitch_end - e.pitch_mid) * double(t - half) / double(length - half);
}

// The planned length of a sentence (samples): its records' durations, each
// plosive whole (its closure holds nine tenths of it, its release 0 ms).
double PlannedSamples(std::span<const PhonemeRecord> records) {
    double ms = 0;
    for (std::size_t k = 0; k < records.size(); ++k) {
        ms += records[k].duration;
        const std::string_view s = SymbolOf(records[k].symbol);
        if ((s == "-" || s == "=") && k + 1 < records.size() && records[k + 1].duration == 0)
            ms += records[k].duration / 9.0;
    }
    return ms * kSampleRate / 1000.0;
}

std::vector<std::uint8_t> Symbols(std::initializer_list<const char*> names) {
    std::vector<std::uint8_t> out;
    for (const char* n : names) out.push_back(static_cast<std::uint8_t>(ConvertSAMPA(n).front()));
    return out;
}

// Every sentence's records, as the driver hands them to its generator, are
// rendered by a generator of our own on the same database (the driver's
// samples must be the same), so that the joined alophones can be located
// where the renderer put them: each ends where the plan of the list up to
// it ends (the voices keep to the plan, so that an alophone ends short by
// what those before it ran over). Measuring at places summed from the
// targets instead drifts into the neighbours within a few words.
//
// Duration: a sentence's rendered length (without the leading silence)
// against its plan, the sum of its records' durations with every plosive
// counted whole (the unit conversion gives its closure nine tenths and its
// release 0 ms). The renderer takes the release out of the closure and
// carries each alophone's overshoot (it ends on a whole output period) into
// the next; a sentence that ends on a continuation of its predecessor loses
// that last pause.
//
// Pitch: the middle half of every voiced alophone, its period measured by
// autocorrelation (50 to 400 Hz, blind to the target) and compared with the
// mean of its target pitch over the same stretch: the long (stressed)
// vowels of 60 ms and more, and all vowels and sonorants of 40 ms and more
// (short sonorants between consonants measure less reliably).
class BundledVoices : public ::testing::TestWithParam<const char*> {};

TEST_P(BundledVoices, SynthesisedSentencesFollowTheirTargets) {
    // The voices are built side by side.
    const std::string dir =
        (std::filesystem::path(TARVOX_VOICE_BUILD_DIR).parent_path() / GetParam()).string();
    if (!std::filesystem::exists(dir + "/data/QuenlarOrin.dat"))
        GTEST_SKIP() << dir << " is not built";
    const auto sentences = CheckSentences();
    ASSERT_GE(sentences.size(), 100u);

    Configuration config;
    Sint sint(config);
    ASSERT_NO_FATAL_FAILURE(Start(config, sint, dir));
    TPsola psola(config);
    const VoiceDatabase& db = psola.Tables().db;
    const std::span<const std::int32_t> windows = db.Windows();
    ASSERT_TRUE(psola.FollowsPlan()) << "the voice's sint.ini asks for trajanje_po_nacrtu";
    const std::vector<std::uint8_t> long_vowels =
        Symbols({"a:", "E:", "e:", "i:", "o:", "O:", "u:", "@:"});
    const std::vector<std::uint8_t> voiced =
        Symbols({"a:", "E:", "e:", "i:", "o:", "O:", "u:", "@:", "a", "E", "i",
                 "O",  "u",  "@",  "I",  "U",  "m",  "n",  "l",  "r", "j", "v"});
    auto is_in = [](const std::vector<std::uint8_t>& set, std::uint8_t s) {
        return std::find(set.begin(), set.end(), s) != set.end();
    };

    double rendered_total = 0, target_total = 0, worst = 0;
    std::string worst_sentence;
    int long_count = 0, long_within = 0, voiced_count = 0, voiced_within = 0;
    std::string misses;  // the first ten long vowels off target
    for (const std::string& s : sentences) {
        ASSERT_EQ(sint.Prozodija(s.c_str()), 0) << s;
        const std::span<const PhonemeRecord> records = sint.OutputList();
        std::int32_t count = 0;
        const std::int16_t* driver_samples = sint.SintezaGovoraStream(count);
        ASSERT_NE(driver_samples, nullptr) << s;

        const double target = PlannedSamples(records);
        ASSERT_EQ(psola.Run(records), 0) << s;
        const std::span<const std::int16_t> out = psola.Samples();
        ASSERT_TRUE(std::equal(out.begin(), out.end(), driver_samples, driver_samples + count))
            << s;
        const double rendered = double(out.size()) - kLeadingSilence;
        rendered_total += rendered;
        target_total += target;
        if (std::abs(rendered / target - 1) > worst) {
            worst = std::abs(rendered / target - 1);
            worst_sentence = s;
        }

        std::vector<AlophoneEntry> joined(psola.Alophones().begin(), psola.Alophones().end());
        std::int64_t pos = kLeadingSilence;
        for (std::size_t i = 0; i < joined.size(); ++i) {
            const AlophoneEntry& e = joined[i];
            if (e.markers.empty()) continue;
            const std::int64_t end =
                PlanSentence(std::span(joined).first(i + 1), windows, kWindowScale, true).length;
            const std::int64_t l = e.duration > 0 ? std::int64_t{e.duration} * kSampleRate / 1000
                                                  : e.markers.back().offset;
            const bool is_long = is_in(long_vowels, e.symbol) && l >= kSampleRate * 60 / 1000;
            if (IsVoiced(e) &&
                (is_long || (is_in(voiced, e.symbol) && l >= kSampleRate * 40 / 1000))) {
                double f = 0;
                int n = 0;
                for (std::int64_t t = l / 4; t < 3 * l / 4; t += 8, ++n) f += TargetPitch(e, l, t);
                f /= n;
                const double period = MeasuredPeriod(out, static_cast<std::size_t>(pos + l / 4),
                                                     static_cast<std::size_t>(pos + 3 * l / 4));
                const bool within = period > 0 && std::abs(kSampleRate / period / f - 1) <= 0.05;
                ++voiced_count;
                voiced_within += within;
                if (is_long) {
                    ++long_count;
                    long_within += within;
                    if (!within && long_count - long_within <= 10)
                        misses += std::string(SampaOfSymbol(e.symbol)) + ": target " +
                                  std::to_string(f) + " Hz, measured " +
                                  std::to_string(period > 0 ? kSampleRate / period : 0) +
                                  " Hz in " + s + "\n";
                }
            }
            pos = end;
        }
    }
    sint.ReleaseSint();
    std::printf(
        "%s: rendered/planned duration %.4f (worst sentence %.1f %%: %s); pitch within 5 %%: long "
        "vowels "
        "%d of %d, voiced alophones %d of %d\n",
        GetParam(), rendered_total / target_total, 100 * worst, worst_sentence.c_str(), long_within,
        long_count, voiced_within, voiced_count);
    EXPECT_LT(std::abs(rendered_total / target_total - 1), 0.05);
    EXPECT_LT(worst, 0.07) << worst_sentence;
    EXPECT_GT(long_count, 300);
    EXPECT_GE(long_within * 100, long_count * 95) << misses;
    EXPECT_GE(voiced_within * 100, voiced_count * 90);
}

// Where the renderer ends each joined alophone: the end of the plan of the
// list up to it (the voices keep to the plan, carrying overshoots on).
std::vector<std::int64_t> EntryEnds(std::span<const AlophoneEntry> entries,
                                    std::span<const std::int32_t> windows) {
    std::vector<AlophoneEntry> joined(entries.begin(), entries.end());
    std::vector<std::int64_t> ends;
    for (std::size_t i = 0; i < joined.size(); ++i)
        ends.push_back(
            PlanSentence(std::span(joined).first(i + 1), windows, kWindowScale, true).length);
    return ends;
}

// One sentence as the driver spoke it.
struct Spoken {
    std::vector<PhonemeRecord> records;  // the output list, without its terminator
    std::vector<std::int16_t> samples;
};

std::vector<Spoken> Speak(Sint& sint, const std::string& utf8) {
    std::vector<Spoken> out;
    const std::string text = Utf8ToCp1250(utf8);
    for (int r = sint.GrafemskoFonemskaPretvorba(text.c_str()); r > 0;
         r = sint.GrafemskoFonemskaPretvorba(nullptr)) {
        EXPECT_EQ(sint.Prozodija(nullptr), 0) << sint.CurrentTranscription();
        std::int32_t count = 0;
        const std::int16_t* samples = sint.SintezaGovoraStream(count);
        EXPECT_NE(samples, nullptr) << sint.CurrentTranscription();
        if (!samples) continue;
        const std::span<const PhonemeRecord> list = sint.OutputList();
        out.push_back({{list.begin(), list.end()}, {samples, samples + count}});
    }
    return out;
}

bool IsVowelName(std::string_view s) {
    static constexpr std::string_view kVowels[] = {"a", "a:", "e:", "E", "E:", "i", "i:",
                                                    "o:", "O", "O:", "u", "u:", "@", "@:"};
    return std::find(std::begin(kVowels), std::end(kVowels), s) != std::end(kVowels);
}

class SpokenVoices : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        dir_ = (std::filesystem::path(TARVOX_VOICE_BUILD_DIR).parent_path() / GetParam()).string();
        if (!std::filesystem::exists(dir_ + "/data/QuenlarOrin.dat"))
            GTEST_SKIP() << dir_ << " is not built";
        ASSERT_NO_FATAL_FAILURE(Start(config_, sint_, dir_));
        config_.switches().pisi_dnevnik = false;
    }
    void TearDown() override {
        if (sint_.IsInitialised()) sint_.ReleaseSint();
    }
    std::string dir_;
    Configuration config_;
    Sint sint_{config_};
};

constexpr char kParagraph[] =
    "Včeraj smo se z vlakom peljali v Koper. Sonce je sijalo, morje je bilo mirno in toplo. "
    "Na obali smo srečali stare prijatelje, ki so ravno prišli iz Ljubljane. Zvečer smo jedli "
    "ribe in pili domače vino. Domov smo se vrnili pozno ponoči.";

// Rate 10 speaks three times as fast as rate 0 and rate -10 a third as
// fast; every phoneme of the plan is still there, and every alophone
// sounds for at least one output period.
TEST_P(SpokenVoices, RatesReachFromAThirdToThreeTimesTheNormalSpeed) {
    TPsola psola(config_);
    const std::span<const std::int32_t> windows = psola.Tables().db.Windows();
    std::map<int, double> seconds;
    std::map<int, std::string> phonemes;
    for (const int rate : {0, 10, -10}) {
        sint_.SetTempo(rate);
        for (const Spoken& s : Speak(sint_, kParagraph)) {
            seconds[rate] += double(s.samples.size()) / kSampleRate;
            for (const PhonemeRecord& r : s.records)
                if (SymbolOf(r.symbol) != "_") phonemes[rate] += std::string(SymbolOf(r.symbol)) + " ";
            std::vector<PhonemeRecord> list = s.records;
            list.push_back(PhonemeRecord{});
            ASSERT_EQ(psola.Run(list), 0) << "rate " << rate << ": an alophone was dropped";
            const std::vector<std::int64_t> ends = EntryEnds(psola.Alophones(), windows);
            std::int64_t start = kLeadingSilence;
            for (std::size_t i = 0; i < ends.size(); ++i) {
                const AlophoneEntry& e = psola.Alophones()[i];
                ASSERT_FALSE(e.markers.empty());
                const std::int64_t length = e.duration > 0 ? std::int64_t{e.duration} * 16
                                                          : e.markers.back().offset;
                const std::int32_t period =
                    OutputPeriod(e, length, 0,
                                 windows[static_cast<std::size_t>(e.markers[0].index) + 1] -
                                     windows[static_cast<std::size_t>(e.markers[0].index)]);
                EXPECT_GE(ends[i] - start, period)
                    << "rate " << rate << ": " << SampaOfSymbol(e.symbol) << " cut short";
                start = ends[i];
            }
        }
    }
    sint_.SetTempo(0);
    std::printf("%s: paragraph %.2f s at rate 0, %.3f of it at rate 10, %.3f at rate -10\n",
                GetParam(), seconds[0], seconds[10] / seconds[0], seconds[-10] / seconds[0]);
    EXPECT_LE(seconds[10], 0.37 * seconds[0]);
    EXPECT_GE(seconds[-10], 2.7 * seconds[0]);
    EXPECT_EQ(phonemes[10], phonemes[0]);
    EXPECT_EQ(phonemes[-10], phonemes[0]);
}

// The pitch targets of a sentence (after the unit conversion, at the
// default pitch range) and the pitch measured in the audio at its last
// vowel: yes/no questions end on their highest target, at least 20 % above
// the sentence's mean (over voiced units, weighted by duration); wh-
// questions and statements end at least 10 % below it. The last vowel
// sounds at its target within 5 % (measured over its last part, from 5/8
// to 7/8 of it, where a final rise or fall arrives).
TEST_P(SpokenVoices, QuestionsRiseToTheirEndWhQuestionsAndStatementsFall) {
    struct Case {
        const char* text;
        bool rises;
    };
    const Case cases[] = {
        {"Ali si že kupil kruh?", true},
        {"A prideš jutri na kosilo?", true},
        {"Ali je trgovina danes odprta?", true},
        {"Kje je postaja?", false},
        {"Kdaj se začne predstava?", false},
        {"Zakaj si tako pozen?", false},
        {"Danes je lep dan.", false},
        {"Vlak pripelje ob osmih zvečer.", false},
        {"Moja sestra živi v Mariboru.", false},
    };
    TPsola psola(config_);
    const std::span<const std::int32_t> windows = psola.Tables().db.Windows();
    double lowest = 1e9, highest = 0;
    for (const Case& c : cases) {
        const std::vector<Spoken> spoken = Speak(sint_, c.text);
        ASSERT_EQ(spoken.size(), 1u) << c.text;
        const Spoken& s = spoken[0];
        double sum = 0, weight = 0;
        int top = 0;
        const PhonemeRecord* last = nullptr;
        for (const PhonemeRecord& r : s.records) {
            const std::string_view name = SymbolOf(r.symbol);
            if (r.pitch_mid <= 0 || name == "_" || name == "-" || name == "=") continue;
            sum += double(r.pitch_mid) * r.duration;
            weight += r.duration;
            top = std::max(top, r.pitch_mid);
            if (IsVowelName(name)) last = &r;
        }
        ASSERT_TRUE(last && weight > 0) << c.text;
        const double mean = sum / weight;
        lowest = std::min(lowest, double(last->pitch_mid));
        highest = std::max(highest, double(top));

        // The last vowel in the audio.
        std::vector<PhonemeRecord> list = s.records;
        list.push_back(PhonemeRecord{});
        ASSERT_EQ(psola.Run(list), 0) << c.text;
        ASSERT_TRUE(std::equal(psola.Samples().begin(), psola.Samples().end(), s.samples.begin(),
                               s.samples.end()));
        const std::vector<std::int64_t> ends = EntryEnds(psola.Alophones(), windows);
        double target = 0, measured = 0;
        for (std::size_t i = ends.size(); i-- > 1;) {
            const AlophoneEntry& e = psola.Alophones()[i];
            if (!IsVowelName(SampaOfSymbol(e.symbol)) || !IsVoiced(e)) continue;
            const std::int64_t l = ends[i] - ends[i - 1];
            // Its last part, where a rise or fall arrives.
            int n = 0;
            for (std::int64_t t = 5 * l / 8; t < 7 * l / 8; t += 8, ++n)
                target += TargetPitch(e, l, t);
            target /= std::max(n, 1);
            const double period =
                MeasuredPeriod(psola.Samples(), static_cast<std::size_t>(ends[i - 1] + 5 * l / 8),
                               static_cast<std::size_t>(ends[i - 1] + 7 * l / 8));
            measured = period > 0 ? kSampleRate / period : 0;
            break;
        }
        std::printf("%s: %-32s mean %5.1f Hz, last vowel %3d Hz (%+.1f semitones; measured %.1f "
                    "Hz where %.1f is targeted)\n",
                    GetParam(), c.text, mean, last->pitch_mid,
                    12 * std::log2(last->pitch_mid / mean), measured, target);
        if (c.rises) {
            EXPECT_EQ(last->pitch_mid, top) << c.text;
            EXPECT_GE(last->pitch_mid, 1.2 * mean) << c.text;
        } else {
            EXPECT_LE(last->pitch_mid, 0.9 * mean) << c.text;
        }
        EXPECT_NEAR(measured / target, 1.0, 0.05) << c.text;
    }
    std::printf("%s: targets from %.0f to %.0f Hz (%.1f semitones)\n", GetParam(), lowest, highest,
                12 * std::log2(highest / lowest));
}

INSTANTIATE_TEST_SUITE_P(Voices, BundledVoices, ::testing::Values("quenlar-orin", "quenlar-tevo"));
INSTANTIATE_TEST_SUITE_P(Voices, SpokenVoices, ::testing::Values("quenlar-orin", "quenlar-tevo"));

}  // namespace
}  // namespace tarvox
