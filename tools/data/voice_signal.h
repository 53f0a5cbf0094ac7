// Signal processing of the voice builder: rate conversion to the database's
// 16 kHz and the epoch detector that places the pitch marks.
//
// Pitch marks: in voiced stretches one mark per glottal cycle, on the
// cycle's strongest peak (the polarity that dominates the stretch); in
// unvoiced stretches and silence one mark every 10 ms, except that the
// marks next to a voiced stretch lie one of its periods away from its first
// and last cycle (where there is room). Every distance between neighbouring
// marks lies between 32 and 400 samples (500 Hz down to 40 Hz), and no mark
// lies closer than 400 samples to either end of the stream, so the
// synthesis can cut a window of two periods around any mark.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarvox::data {

inline constexpr int kDatabaseRate = 16000;

// Converts mono samples from `in_rate` to `out_rate` with a windowed-sinc
// low-pass interpolator (cut-off below the lower Nyquist frequency).
std::vector<float> Resample(std::span<const float> in, int in_rate, int out_rate);

// Rounds to 16-bit samples with `gain`, clipping at the 16-bit limits.
std::vector<std::int16_t> ToPcm16(std::span<const float> in, float gain = 1.0f);

struct EpochOptions {
    int min_period = 32;
    int max_period = 400;
    int unvoiced_period = 160;  // 10 ms
    int margin = 400;           // no mark closer than this to either end
    // Lowest and highest fundamental searched in voiced stretches (Hz).
    int min_f0 = 50;
    int max_f0 = 400;
    // A frame is voiced when its normalised autocorrelation at the best lag
    // reaches this value and its energy is above the silence level.
    double voicing_threshold = 0.6;
    // Silence level: RMS below this share of the loudest frame's RMS.
    double silence_share = 0.03;
    // ... and when at least this share of its energy lies below 900 Hz.
    double low_band_share = 0.1;
};

struct VoicingFrame {
    bool voiced = false;
    int period = 0;  // samples at 16 kHz, 0 when unvoiced
};

// Frame-wise voicing and period (hop of 80 samples, window of 640).
inline constexpr int kVoicingHop = 80;
std::vector<VoicingFrame> AnalyseVoicing(std::span<const std::int16_t> samples,
                                         const EpochOptions& options = {});

// The pitch marks of a 16 kHz stream, ascending. Empty when the stream is
// too short to hold a mark with its margins.
std::vector<std::int32_t> DetectPitchMarks(std::span<const std::int16_t> samples,
                                           const EpochOptions& options = {});

}  // namespace tarvox::data
