#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "voice_signal.h"

namespace tarvox::data {
namespace {

// A voiced stretch: glottal pulses with a damped resonance after each
// (peak on the pulse), between stretches of silence.
struct PulseTrain {
    std::vector<std::int16_t> samples;
    std::vector<long> epochs;
};

PulseTrain MakePulseTrain(int period, long lead, long voiced, long tail, int jitter = 0) {
    PulseTrain t;
    t.samples.assign(static_cast<std::size_t>(lead + voiced + tail), 0);
    std::vector<double> x(t.samples.size(), 0.0);
    int k = 0;
    for (long e = lead; e < lead + voiced; e += period + ((k++ % 3) - 1) * jitter) {
        t.epochs.push_back(e);
        for (long n = 0; n < 3 * period && e + n < static_cast<long>(x.size()); ++n)
            x[static_cast<std::size_t>(e + n)] += 9000.0 * std::exp(-n / 30.0) * std::cos(2 * M_PI * 650.0 * n / 16000.0);
    }
    for (std::size_t i = 0; i < x.size(); ++i) t.samples[i] = static_cast<std::int16_t>(std::lround(x[i]));
    return t;
}

void ExpectValidMarks(const std::vector<std::int32_t>& marks, std::size_t length) {
    ASSERT_FALSE(marks.empty());
    EXPECT_GE(marks.front(), 400);
    EXPECT_LT(static_cast<std::size_t>(marks.back()) + 400, length);
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const int d = marks[i] - marks[i - 1];
        EXPECT_GE(d, 32) << "at mark " << i;
        EXPECT_LE(d, 400) << "at mark " << i;
    }
}

class EpochPeriods : public ::testing::TestWithParam<int> {};

TEST_P(EpochPeriods, MarksSitOnThePulsesAndEveryTenMillisecondsInSilence) {
    const int period = GetParam();
    const PulseTrain t = MakePulseTrain(period, 4800, 9600, 4800, std::max(1, period / 100));
    const auto marks = DetectPitchMarks(t.samples);
    ExpectValidMarks(marks, t.samples.size());
    // Every pulse away from the stretch's edges has a mark within 2 samples.
    int found = 0, checked = 0;
    for (std::size_t i = 2; i + 2 < t.epochs.size(); ++i) {
        ++checked;
        const auto it = std::lower_bound(marks.begin(), marks.end(), t.epochs[i] - 2);
        if (it != marks.end() && std::abs(*it - t.epochs[i]) <= 2) ++found;
    }
    EXPECT_EQ(found, checked) << "period " << period;
    // No mark in the voiced stretch besides the pulses.
    const auto first = std::lower_bound(marks.begin(), marks.end(), t.epochs[2] - 2);
    const auto last = std::lower_bound(marks.begin(), marks.end(), t.epochs[t.epochs.size() - 3] + 3);
    EXPECT_EQ(last - first, checked);
    // Silence before the stretch: the unvoiced spacing.
    for (std::size_t i = 1; i < marks.size() && marks[i] < 4000; ++i) EXPECT_EQ(marks[i] - marks[i - 1], 160);
}

// A stretch is entered and left one of its own periods away from its first
// and last mark on a pulse: the cycles at its edges keep their length, so an
// alophone cut there holds no stray period.
TEST_P(EpochPeriods, StretchEdgesKeepTheVoicedPeriod) {
    const int period = GetParam();
    const PulseTrain t = MakePulseTrain(period, 4800, 9600, 4800);
    const auto marks = DetectPitchMarks(t.samples);
    ExpectValidMarks(marks, t.samples.size());
    auto on_pulse = [&](std::int32_t m) {
        return std::any_of(t.epochs.begin(), t.epochs.end(), [&](long e) { return std::abs(e - m) <= 2; });
    };
    const auto first = std::find_if(marks.begin(), marks.end(), on_pulse);
    const auto last = std::find_if(marks.rbegin(), marks.rend(), on_pulse);
    ASSERT_TRUE(first != marks.begin() && first != marks.end());
    ASSERT_TRUE(last != marks.rbegin() && last != marks.rend());
    const double tolerance = std::max(2, period / 10);  // the edge period is measured on the pulses
    EXPECT_NEAR(*first - *(first - 1), period, tolerance);
    EXPECT_NEAR(*(last - 1) - *last, period, tolerance);
}

INSTANTIATE_TEST_SUITE_P(Pitches, EpochPeriods, ::testing::Values(45, 100, 145, 200, 320));

// Two peaks of about equal height per cycle, the second a fifth of a
// period after the pulse and, every fourth cycle, the higher one: the marks
// stay on the pulses instead of jumping to the second peak for a cycle.
TEST(EpochDetector, MarksKeepToThePulseWhereAnotherPeakIsHigherForACycle) {
    const int period = 145;
    std::vector<double> x(4800 + 9600 + 4800, 0.0);
    std::vector<long> epochs;
    auto ring = [&](long at, double gain) {
        for (long n = 0; n < 3 * period && at + n < static_cast<long>(x.size()); ++n)
            x[static_cast<std::size_t>(at + n)] +=
                gain * 9000.0 * std::exp(-n / 30.0) * std::cos(2 * M_PI * 650.0 * n / 16000.0);
    };
    for (long e = 4800, k = 0; e < 4800 + 9600; e += period, ++k) {
        epochs.push_back(e);
        ring(e, 1.0);
        ring(e + period / 5, k % 4 == 3 ? 1.3 : 0.8);
    }
    std::vector<std::int16_t> samples(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) samples[i] = static_cast<std::int16_t>(std::lround(x[i]));
    const auto marks = DetectPitchMarks(samples);
    ExpectValidMarks(marks, samples.size());
    for (std::size_t i = 2; i + 2 < epochs.size(); ++i) {
        const auto it = std::lower_bound(marks.begin(), marks.end(), epochs[i] - 3);
        EXPECT_TRUE(it != marks.end() && std::abs(*it - epochs[i]) <= 3) << "pulse " << i;
    }
}

TEST(EpochDetector, SilenceOnlyGivesEvenMarksWithMargins) {
    const std::vector<std::int16_t> silence(16000, 0);
    const auto marks = DetectPitchMarks(silence);
    ExpectValidMarks(marks, silence.size());
    EXPECT_EQ(marks.front(), 400);
    for (std::size_t i = 1; i < marks.size(); ++i) EXPECT_EQ(marks[i] - marks[i - 1], 160);
}

TEST(EpochDetector, NoiseIsUnvoiced) {
    std::vector<std::int16_t> noise(16000);
    unsigned v = 12345;
    for (auto& s : noise) {
        v = v * 1103515245u + 12345u;
        s = static_cast<std::int16_t>(static_cast<int>((v >> 16) % 16001) - 8000);
    }
    const auto frames = AnalyseVoicing(noise);
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const VoicingFrame& f) { return f.voiced; }), 0);
    ExpectValidMarks(DetectPitchMarks(noise), noise.size());
}

TEST(EpochDetector, StreamsTooShortForTheMarginsHaveNoMarks) {
    EXPECT_TRUE(DetectPitchMarks(std::vector<std::int16_t>(800, 0)).empty());
    EXPECT_EQ(DetectPitchMarks(std::vector<std::int16_t>(801, 0)).size(), 1u);
}

TEST(EpochDetector, VoicedUpToTheEdgesKeepsTheMargins) {
    const PulseTrain t = MakePulseTrain(120, 0, 8000, 0);
    ExpectValidMarks(DetectPitchMarks(t.samples), t.samples.size());
}

TEST(Resample, KeepsFrequencyAmplitudeAndDuration) {
    for (int rate : {8000, 22050, 44100, 48000}) {
        std::vector<float> sine(static_cast<std::size_t>(rate));
        for (std::size_t i = 0; i < sine.size(); ++i) sine[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / rate));
        const auto out = Resample(sine, rate, kDatabaseRate);
        ASSERT_EQ(out.size(), 16000u) << rate;
        int crossings = 0;
        float peak = 0;
        for (std::size_t i = 1000; i < 15000; ++i) {
            if ((out[i - 1] < 0) != (out[i] < 0)) ++crossings;
            peak = std::max(peak, std::abs(out[i]));
        }
        EXPECT_NEAR(crossings, 2 * 440 * 14000 / 16000, 2) << rate;
        EXPECT_NEAR(peak, 0.5f, 0.02f) << rate;
    }
}

TEST(Resample, RemovesWhatLiesAboveTheNewNyquist) {
    std::vector<float> high(44100);
    for (std::size_t i = 0; i < high.size(); ++i) high[i] = static_cast<float>(std::sin(2 * M_PI * 12000.0 * i / 44100));
    const auto out = Resample(high, 44100, kDatabaseRate);
    float peak = 0;
    for (std::size_t i = 500; i + 500 < out.size(); ++i) peak = std::max(peak, std::abs(out[i]));
    EXPECT_LT(peak, 0.05f);
}

TEST(ToPcm16, ClipsAtTheSixteenBitLimits) {
    const std::vector<float> v = {0.5f, 2.0f, -2.0f};
    const auto pcm = ToPcm16(v, 32768.0f);
    EXPECT_EQ(pcm[0], 16384);
    EXPECT_EQ(pcm[1], 32767);
    EXPECT_EQ(pcm[2], -32768);
}

}  // namespace
}  // namespace tarvox::data
