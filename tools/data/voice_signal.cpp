#include "voice_signal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace tarvox::data {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Sinc(double x) { return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x); }

// A second-order Butterworth low-pass section (bilinear transform).
struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    Biquad(double cutoff, double rate) {
        const double k = std::tan(kPi * cutoff / rate);
        const double q = std::sqrt(0.5);
        const double norm = 1.0 / (1.0 + k / q + k * k);
        b0 = k * k * norm;
        b1 = 2.0 * b0;
        b2 = b0;
        a1 = 2.0 * (k * k - 1.0) * norm;
        a2 = (1.0 - k / q + k * k) * norm;
    }
    double Step(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

constexpr int kDecimation = 4;                 // analysis at 4 kHz
constexpr int kWindow = 640;                   // 40 ms at 16 kHz
constexpr int kHop = 160;                      // 10 ms at 16 kHz

}  // namespace

std::vector<float> Resample(std::span<const float> in, int in_rate, int out_rate) {
    if (in_rate <= 0 || out_rate <= 0 || in.empty()) return {};
    if (in_rate == out_rate) return std::vector<float>(in.begin(), in.end());
    const double ratio = static_cast<double>(in_rate) / out_rate;  // input samples per output
    const double fc = std::min(1.0, 1.0 / ratio) * 0.95;          // cut-off, input Nyquist = 1
    const int half = static_cast<int>(std::ceil(12.0 / fc));        // taps each side
    // Polyphase table: the fractional position is quantised to `phases`
    // steps (exact for the common rate pairs).
    const int g = std::gcd(in_rate, out_rate);
    const int exact_phases = out_rate / g;
    const int phases = exact_phases <= 1024 ? exact_phases : 1024;
    const int taps = 2 * half;
    std::vector<float> table(static_cast<std::size_t>(phases) * taps);
    for (int p = 0; p < phases; ++p) {
        const double frac = static_cast<double>(p) / phases;
        double sum = 0;
        for (int j = 0; j < taps; ++j) {
            const double x = (j - half + 1) - frac;  // tap j sits at floor(t) + j - half + 1
            const double w = 0.5 + 0.5 * std::cos(kPi * x / (half + 1));
            const double h = fc * Sinc(fc * x) * w;
            table[static_cast<std::size_t>(p) * taps + j] = static_cast<float>(h);
            sum += h;
        }
        for (int j = 0; j < taps; ++j) table[static_cast<std::size_t>(p) * taps + j] /= static_cast<float>(sum);
    }
    const auto n_out = static_cast<std::size_t>(static_cast<double>(in.size()) / ratio);
    std::vector<float> out(n_out);
    const auto n_in = static_cast<long>(in.size());
    for (std::size_t n = 0; n < n_out; ++n) {
        // t = n * in_rate / out_rate, kept exact in integers.
        const long long num = static_cast<long long>(n) * in_rate;
        const long base = static_cast<long>(num / out_rate);
        const long long rem = num % out_rate;
        const int p = static_cast<int>(rem * phases / out_rate);
        const float* h = &table[static_cast<std::size_t>(p) * taps];
        double acc = 0;
        const long first = base - half + 1;
        for (int j = 0; j < taps; ++j) {
            const long i = first + j;
            if (i >= 0 && i < n_in) acc += h[j] * in[static_cast<std::size_t>(i)];
        }
        out[n] = static_cast<float>(acc);
    }
    return out;
}

std::vector<std::int16_t> ToPcm16(std::span<const float> in, float gain) {
    std::vector<std::int16_t> out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const float v = std::round(in[i] * gain);
        out[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0f, 32767.0f));
    }
    return out;
}

std::vector<VoicingFrame> AnalyseVoicing(std::span<const std::int16_t> samples,
                                         const EpochOptions& options) {
    std::vector<VoicingFrame> frames;
    if (samples.size() < static_cast<std::size_t>(kWindow)) return frames;
    // Low-passed (4th order at 900 Hz) and decimated to 4 kHz.
    Biquad f1(900.0, kDatabaseRate), f2(900.0, kDatabaseRate);
    std::vector<float> low;
    low.reserve(samples.size() / kDecimation + 1);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double y = f2.Step(f1.Step(samples[i]));
        if (i % kDecimation == 0) low.push_back(static_cast<float>(y));
    }
    const std::size_t n_frames = (samples.size() - kWindow) / kHop + 1;
    frames.resize(n_frames);
    // The silence level from the loudest frame.
    std::vector<double> rms(n_frames);
    double loudest = 0;
    for (std::size_t f = 0; f < n_frames; ++f) {
        double e = 0;
        const std::size_t s0 = f * kHop;
        for (std::size_t i = s0; i < s0 + kWindow; ++i) e += static_cast<double>(samples[i]) * samples[i];
        rms[f] = std::sqrt(e / kWindow);
        loudest = std::max(loudest, rms[f]);
    }
    const double silence = std::max(30.0, loudest * options.silence_share);
    const int w = kWindow / kDecimation;
    const int lag_min = std::max(2, kDatabaseRate / kDecimation / options.max_f0);
    const int lag_max = kDatabaseRate / kDecimation / options.min_f0;
    std::vector<double> r(static_cast<std::size_t>(lag_max) + 2, 0.0);
    for (std::size_t f = 0; f < n_frames; ++f) {
        if (rms[f] < silence) continue;
        const std::size_t s0 = f * kHop / kDecimation;
        if (s0 + w + lag_max + 1 > low.size()) break;
        const float* x = &low[s0];
        double e0 = 0;
        for (int i = 0; i < w; ++i) e0 += static_cast<double>(x[i]) * x[i];
        // Voiced sounds carry most of their energy below 900 Hz; fricative
        // noise (however periodic its source) does not.
        const double full = rms[f] * rms[f] * kWindow;
        if (e0 * kDecimation < options.low_band_share * full) continue;
        double ek = 0;
        for (int i = lag_min; i < w + lag_min; ++i) ek += static_cast<double>(x[i]) * x[i];
        double best = 0;
        int best_lag = 0;
        for (int k = lag_min; k <= lag_max + 1; ++k) {
            double c = 0;
            for (int i = 0; i < w; ++i) c += static_cast<double>(x[i]) * x[i + k];
            const double d = std::sqrt(e0 * ek);
            r[static_cast<std::size_t>(k)] = d > 0 ? c / d : 0;
            ek += static_cast<double>(x[w + k]) * x[w + k] - static_cast<double>(x[k]) * x[k];
            if (k <= lag_max && r[static_cast<std::size_t>(k)] > best) {
                best = r[static_cast<std::size_t>(k)];
                best_lag = k;
            }
        }
        if (best < options.voicing_threshold || best_lag == 0) continue;
        // Prefer a whole fraction of the best lag (the shortest) where a
        // peak is nearly as good: no octave drop.
        for (int div = 8; div >= 2; --div) {
            const int centre = best_lag / div;
            if (centre + 2 < lag_min) continue;
            int found = 0;
            for (int k = std::max(lag_min, centre - 2); k <= centre + 2 && k < best_lag; ++k) {
                const auto u = static_cast<std::size_t>(k);
                if (r[u] > 0.8 * best && r[u] >= r[u - 1] && r[u] >= r[u + 1] && (!found || r[u] > r[static_cast<std::size_t>(found)]))
                    found = k;
            }
            // A true period repeats: every multiple up to the best lag is as good.
            for (int j = 2; found && j < div; ++j) {
                double m = 0;
                for (int k = found * j - 1; k <= found * j + 1; ++k) m = std::max(m, r[static_cast<std::size_t>(k)]);
                if (m < 0.8 * best) found = 0;
            }
            if (found) {
                best_lag = found;
                break;
            }
        }
        // Parabolic refinement of the lag.
        double lag = best_lag;
        if (best_lag > lag_min && best_lag < lag_max) {
            const auto u = static_cast<std::size_t>(best_lag);
            const double a = r[u - 1], b = r[u], c = r[u + 1];
            const double den = a - 2 * b + c;
            if (den < 0) lag += 0.5 * (a - c) / den;
        }
        frames[f].voiced = true;
        frames[f].period = std::clamp(static_cast<int>(std::lround(lag * kDecimation)),
                                      options.min_period, options.max_period);
    }
    // A lone voiced or unvoiced frame takes its neighbours' decision.
    for (std::size_t f = 1; f + 1 < n_frames; ++f) {
        const bool a = frames[f - 1].voiced, c = frames[f + 1].voiced;
        if (a == c && frames[f].voiced != a) {
            frames[f].voiced = a;
            frames[f].period = a ? (frames[f - 1].period + frames[f + 1].period) / 2 : 0;
        }
    }
    return frames;
}

std::vector<std::int32_t> DetectPitchMarks(std::span<const std::int16_t> samples,
                                           const EpochOptions& options) {
    std::vector<std::int32_t> marks;
    const long n = static_cast<long>(samples.size());
    const long first_allowed = options.margin;
    const long last_allowed = n - options.margin - 1;
    if (last_allowed < first_allowed) return marks;

    const std::vector<VoicingFrame> frames = AnalyseVoicing(samples, options);
    // Smoothed signal for peak picking ([1 2 1] / 4, centred).
    std::vector<float> y(samples.size());
    for (long i = 0; i < n; ++i) {
        const float a = samples[static_cast<std::size_t>(std::max(0L, i - 1))];
        const float c = samples[static_cast<std::size_t>(std::min(n - 1, i + 1))];
        y[static_cast<std::size_t>(i)] = 0.25f * a + 0.5f * samples[static_cast<std::size_t>(i)] + 0.25f * c;
    }
    auto frame_at = [&](long s) -> const VoicingFrame* {
        if (frames.empty()) return nullptr;
        long f = (s - kWindow / 2 + kHop / 2) / kHop;
        f = std::clamp(f, 0L, static_cast<long>(frames.size()) - 1);
        return &frames[static_cast<std::size_t>(f)];
    };

    // Voiced regions in samples, each with its epochs.
    std::vector<std::vector<std::int32_t>> regions;
    for (std::size_t f = 0; f < frames.size();) {
        if (!frames[f].voiced) {
            ++f;
            continue;
        }
        std::size_t g = f;
        while (g < frames.size() && frames[g].voiced) ++g;
        long a = std::max(first_allowed, static_cast<long>(f * kHop + kWindow / 2 - kHop / 2));
        long b = std::min(last_allowed + 1, static_cast<long>((g - 1) * kHop + kWindow / 2 + kHop / 2));
        f = g;
        // The stretch runs from its first to its last sample of some weight
        // (the analysis frames reach into the silence around it).
        float loud = 0;
        for (long i = a; i < b; ++i) loud = std::max(loud, std::abs(y[static_cast<std::size_t>(i)]));
        while (a < b && std::abs(y[static_cast<std::size_t>(a)]) < 0.1f * loud) ++a;
        while (b > a && std::abs(y[static_cast<std::size_t>(b - 1)]) < 0.1f * loud) --b;
        if (b - a < options.min_period) continue;
        // Polarity: the sign whose per-block extremes are larger.
        double pos = 0, neg = 0;
        for (long s = a; s < b; s += kHop) {
            float hi = 0, lo = 0;
            for (long i = s; i < std::min(b, s + kHop); ++i) {
                hi = std::max(hi, y[static_cast<std::size_t>(i)]);
                lo = std::min(lo, y[static_cast<std::size_t>(i)]);
            }
            pos += hi;
            neg -= lo;
        }
        const float sign = pos >= neg ? 1.0f : -1.0f;
        auto peak = [&](long lo, long hi) {  // argmax of sign * y over [lo, hi]
            long best = lo;
            for (long i = lo + 1; i <= hi; ++i)
                if (sign * y[static_cast<std::size_t>(i)] > sign * y[static_cast<std::size_t>(best)]) best = i;
            return best;
        };
        // The next epoch: the strongest peak of [lo, hi], unless another peak
        // of at least 0.6 of its height lies more than a tenth of a period
        // nearer the place one period on (nasals and liquids have two peaks
        // of about equal height per cycle; taking the other one for a cycle
        // misplaces two periods, and a real cycle does not change its length
        // by a tenth from one period to the next).
        auto near_peak = [&](long lo, long hi, long expected, long period) {
            const long best = peak(lo, hi);
            const float floor_ = 0.6f * sign * y[static_cast<std::size_t>(best)];
            long chosen = best;
            for (long i = lo + 1; i < hi; ++i) {
                const float v = sign * y[static_cast<std::size_t>(i)];
                if (v < floor_ || v < sign * y[static_cast<std::size_t>(i - 1)] ||
                    v < sign * y[static_cast<std::size_t>(i + 1)])
                    continue;
                if (std::abs(i - expected) < std::abs(chosen - expected)) chosen = i;
            }
            return std::abs(chosen - expected) + period / 10 < std::abs(best - expected) ? chosen : best;
        };
        std::vector<std::int32_t> epochs;
        const int t0 = frame_at(a)->period > 0 ? frame_at(a)->period : options.unvoiced_period;
        long prev = peak(a, std::min(b - 1, a + t0 - 1));
        epochs.push_back(static_cast<std::int32_t>(prev));
        while (true) {
            const VoicingFrame* fr = frame_at(prev);
            const int t = fr && fr->period > 0 ? fr->period : t0;
            const long lo = prev + std::max<long>(options.min_period, std::lround(0.7 * t));
            const long hi = std::min<long>(prev + std::min<long>(options.max_period, std::lround(1.3 * t)), b - 1);
            if (lo > hi) break;
            prev = near_peak(lo, hi, prev + t, t);
            epochs.push_back(static_cast<std::int32_t>(prev));
        }
        regions.push_back(std::move(epochs));
    }

    // Joins the regions; gaps are filled with marks at the unvoiced spacing.
    // A voiced stretch is entered and left one of its own periods away from
    // its first and last epoch (where the gap leaves room), so the cycles at
    // its edges keep their length instead of taking whatever remains of the
    // unvoiced spacing: a vowel cut at its first or last mark then holds no
    // stray short or long period.
    const int u = options.unvoiced_period;
    const long least = std::max(options.min_period, u / 2);  // shortest filled period
    auto edge_period = [&](const std::vector<std::int32_t>& epochs, bool at_start) -> long {
        if (epochs.size() >= 2)
            return at_start ? epochs[1] - epochs[0] : epochs[epochs.size() - 1] - epochs[epochs.size() - 2];
        const VoicingFrame* fr = frame_at(epochs.front());
        return fr && fr->period > 0 ? fr->period : 0;
    };
    // Marks after the last one up to `target`: first `trail` after the last
    // (0: none), the unvoiced spacing, `lead` before the target (0: none).
    auto fill_to = [&](long target, long trail, long lead) {
        if (trail > 0 && target - marks.back() - trail >= least + lead)
            marks.push_back(static_cast<std::int32_t>(marks.back() + trail));
        if (lead > 0 && target - lead - marks.back() < least) lead = 0;
        const long last = marks.back();
        const long end = target - lead;
        const long gap = end - last;
        long count = gap / u;  // whole unvoiced periods
        // A remainder of less than half a period joins the last one.
        if (gap - count * u < least) --count;
        for (long k = 1; k <= count; ++k) marks.push_back(static_cast<std::int32_t>(last + k * u));
        if (lead > 0) marks.push_back(static_cast<std::int32_t>(end));
        marks.push_back(static_cast<std::int32_t>(target));
    };
    long trail = 0;  // the last voiced period, when the last mark ends a stretch
    for (const auto& epochs : regions) {
        const long lead = edge_period(epochs, true);
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const long e = epochs[i];
            if (marks.empty()) {
                if (e - first_allowed >= options.min_period) {
                    marks.push_back(static_cast<std::int32_t>(first_allowed));
                    fill_to(e, 0, lead);
                } else {
                    marks.push_back(static_cast<std::int32_t>(e));
                }
                continue;
            }
            const long gap = e - marks.back();
            if (gap < options.min_period) continue;
            if (i > 0 && gap <= options.max_period) {
                marks.push_back(static_cast<std::int32_t>(e));
            } else {
                fill_to(e, i == 0 ? trail : 0, i == 0 ? lead : 0);
            }
        }
        trail = !marks.empty() && marks.back() == epochs.back() ? edge_period(epochs, false) : 0;
    }
    if (trail > 0 && marks.back() + trail <= last_allowed)
        marks.push_back(static_cast<std::int32_t>(marks.back() + trail));
    if (marks.empty()) marks.push_back(static_cast<std::int32_t>(first_allowed));
    while (marks.back() + u <= last_allowed) marks.push_back(marks.back() + u);
    return marks;
}

}  // namespace tarvox::data
