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
#include <string>
#include <vector>

#include "base/config.h"
#include "base/diag.h"
#include "driver/sint.h"
#include "lexicon/sampa.h"
#include "synth/psola.h"

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

INSTANTIATE_TEST_SUITE_P(Voices, BundledVoices, ::testing::Values("quenlar-orin", "quenlar-tevo"));

}  // namespace
}  // namespace tarvox
