// Time-domain pitch-synchronous overlap-add over the joined alophone list:
// for every output pitch period a Hamming-shaped window two periods wide is
// cut around the nearest recorded pitch mark and added into the output at
// the new period spacing. Integer arithmetic on 16-bit samples with the
// window in 1.14 fixed point.
//
// The work is split into pure steps:
//   PlanSentence  fills the markers' offsets, sizes the output and places
//                 every window (output centre, source centre, half-width);
//   WindowShapes  the weights of one window of a given half-width;
//   OverlapAdd    adds one weighted window into the output, clipping.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "synth/unit_selection.h"

namespace tarvox {

inline constexpr int kWindowTableSize = 101;
inline constexpr int kWindowScale = 100;           // half-window, % of the period
inline constexpr std::int32_t kLeadingSilence = 400;  // samples
inline constexpr std::int32_t kClipLevel = 32760;
inline constexpr std::int32_t kWindowOne = 16384;  // 1.0 in 1.14 fixed point

// w[i] = 16384 * (0.54 + 0.46 * cos(3.14159 * i / 100)), truncated: one half
// of a Hamming window.
std::array<std::int32_t, kWindowTableSize> MakeWindowTable();

// Voiced entries carry three non-zero pitches; an entry with a zero pitch
// anywhere renders unvoiced (its interpolated pitch would reach 0).
bool IsVoiced(const AlophoneEntry& e);

// The output period at time t (samples) of an entry of target length L:
// the pitch interpolated from start to middle over the first half and from
// middle to end over the second, kept within 40-500 Hz; for an unvoiced
// entry the recorded period at its current marker.
std::int32_t OutputPeriod(const AlophoneEntry& e, std::int64_t length, std::int64_t t,
                          std::int32_t recorded_period);

struct WindowPlacement {
    std::int64_t out_center;  // output sample
    std::int32_t src_center;  // database sample (a marker)
    std::int32_t half;        // the window spans centre - half ... centre + half
    bool operator==(const WindowPlacement&) const = default;
};

struct RenderPlan {
    std::vector<WindowPlacement> windows;
    std::int64_t need = 0;      // the sizing pass: lengths + one period each + 800
    std::int64_t furthest = 0;  // one past the last output sample a window touches
    std::int64_t length = 0;    // samples of the sentence (ends at a whole period)
    // What the output buffer must hold: the sizing pass's need, enlarged when
    // a window would reach past it.
    std::int64_t BufferNeed() const;
};

// Fills the entries' marker offsets and places the windows. Entries without
// markers are skipped. `marker_positions` are the database's Windows. With
// `carry_overshoot`, an entry with a target length stops short by what the
// entries before it ran over their targets, so that the sentence keeps to
// its plan within a period.
RenderPlan PlanSentence(std::span<AlophoneEntry> entries,
                        std::span<const std::int32_t> marker_positions, int scale = kWindowScale,
                        bool carry_overshoot = false);

// Window weights per half-width W: 2W + 1 values w[|k| * 100 / W]. The
// rows of the half-widths that voiced speech uses are kept; a wider one (a
// pause, a very low pitch) is made afresh each time, so the kept rows stay
// small however long the text. A row is valid until the next call.
class WindowShapes {
public:
    static constexpr std::int32_t kKeptHalf = 512;

    explicit WindowShapes(const std::array<std::int32_t, kWindowTableSize>& table) : table_(table) {}
    std::span<const std::int16_t> Row(std::int32_t half);

private:
    void Fill(std::vector<std::int16_t>& row, std::int32_t half) const;

    std::array<std::int32_t, kWindowTableSize> table_;
    std::vector<std::vector<std::int16_t>> rows_;
    std::vector<std::int16_t> wide_;
};

// out[j] += src[j] * weights[j] / 16384 (truncating toward zero), each sum
// clipped to +/-32760. The three spans have the same length.
void OverlapAdd(std::span<std::int16_t> out, std::span<const std::int16_t> src,
                std::span<const std::int16_t> weights);

// The output buffer's capacity for the next sentence: allocate `need` when
// there is none or it is too small, halve it when a tenth of it still
// exceeds `need`, else keep it.
std::size_t NextCapacity(std::size_t capacity, std::size_t need);

}  // namespace tarvox
