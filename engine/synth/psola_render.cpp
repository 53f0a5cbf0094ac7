#include "synth/psola_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvox {

std::array<std::int32_t, kWindowTableSize> MakeWindowTable() {
    std::array<std::int32_t, kWindowTableSize> w{};
    for (int i = 0; i < kWindowTableSize; ++i)
        w[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(16384.0 * (0.54 + 0.46 * std::cos(3.14159 * i / 100.0)));
    return w;
}

bool IsVoiced(const AlophoneEntry& e) {
    return e.pitch_start != 0 && e.pitch_mid != 0 && e.pitch_end != 0;
}

std::int32_t OutputPeriod(const AlophoneEntry& e, std::int64_t length, std::int64_t t,
                          std::int32_t recorded_period) {
    if (!IsVoiced(e)) return recorded_period;
    const std::int64_t half = length / 2;
    std::int64_t f;
    if (t < half)
        f = e.pitch_start + (static_cast<std::int64_t>(e.pitch_mid) - e.pitch_start) * t / half;
    else
        f = e.pitch_mid + (static_cast<std::int64_t>(e.pitch_end) - e.pitch_mid) * (t - half) /
                              (length - half);
    f = std::clamp<std::int64_t>(f, kMinPitch, kMaxPitch);
    return static_cast<std::int32_t>(kSampleRate / f);
}

std::int64_t RenderPlan::BufferNeed() const { return std::max({need, furthest, length}); }

RenderPlan PlanSentence(std::span<AlophoneEntry> entries,
                        std::span<const std::int32_t> marker_positions, int scale,
                        bool carry_overshoot) {
    RenderPlan plan;
    auto period_of = [&](std::int32_t m) {
        return marker_positions[static_cast<std::size_t>(m) + 1] -
               marker_positions[static_cast<std::size_t>(m)];
    };
    auto target_length = [](const AlophoneEntry& e, std::int64_t natural) {
        return e.duration > 0 ? static_cast<std::int64_t>(e.duration) * kSampleRate / 1000 : natural;
    };

    // Sizing pass.
    std::int64_t total = 0;
    for (AlophoneEntry& e : entries) {
        if (e.markers.empty()) continue;
        std::int32_t offset = 0;
        for (std::size_t i = 0; i < e.markers.size(); ++i) {
            e.markers[i].offset = offset;
            offset += period_of(e.markers[i].index);
        }
        const std::int64_t natural = e.markers.back().offset;
        total += target_length(e, natural);
        total += IsVoiced(e) ? kSampleRate / std::clamp(e.pitch_end, kMinPitch, kMaxPitch)
                             : period_of(e.markers.back().index);
    }
    plan.need = total + 2 * kLeadingSilence;

    // Window placement.
    std::int64_t pos = kLeadingSilence;
    std::int64_t carry = 0;  // samples rendered beyond the targets so far
    for (const AlophoneEntry& e : entries) {
        if (e.markers.empty()) continue;
        const std::int64_t natural = e.markers.back().offset;
        const std::int64_t length = target_length(e, natural);
        // Carrying: the entry stops short by what the entries before it ran
        // over (each ends on a whole period), so that no error builds up.
        const std::int64_t goal =
            carry_overshoot && length > 0 ? std::max<std::int64_t>(length - carry, 1) : length;
        std::size_t cur = 0;
        std::int64_t t = 0;
        while (t < goal) {
            const std::int64_t s = natural * t / length;
            while (cur + 1 < e.markers.size() &&
                   std::llabs(e.markers[cur + 1].offset - s) < std::llabs(e.markers[cur].offset - s))
                ++cur;
            const std::int32_t marker = e.markers[cur].index;
            const std::int32_t period = OutputPeriod(e, length, t, period_of(marker));
            const std::int32_t half = period * scale / 100;
            plan.windows.push_back({pos + t, marker_positions[static_cast<std::size_t>(marker)], half});
            plan.furthest = std::max(plan.furthest, pos + t + half + 1);
            t += period;
        }
        carry += t - length;
        pos += t;
    }
    plan.length = pos;
    return plan;
}

void WindowShapes::Fill(std::vector<std::int16_t>& row, std::int32_t half) const {
    row.resize(2 * static_cast<std::size_t>(half) + 1);
    for (std::int32_t k = -half; k <= half; ++k) {
        const std::int32_t index = half > 0 ? std::abs(k) * 100 / half : 0;
        row[static_cast<std::size_t>(k + half)] =
            static_cast<std::int16_t>(table_[static_cast<std::size_t>(index)]);
    }
}

std::span<const std::int16_t> WindowShapes::Row(std::int32_t half) {
    half = std::max(half, 0);
    if (half > kKeptHalf) {
        Fill(wide_, half);
        return wide_;
    }
    const auto h = static_cast<std::size_t>(half);
    if (rows_.size() <= h) rows_.resize(h + 1);
    std::vector<std::int16_t>& row = rows_[h];
    if (row.empty()) Fill(row, half);
    return row;
}

void OverlapAdd(std::span<std::int16_t> out, std::span<const std::int16_t> src,
                std::span<const std::int16_t> weights) {
    const std::size_t n = std::min({out.size(), src.size(), weights.size()});
    std::int16_t* __restrict o = out.data();
    const std::int16_t* __restrict s = src.data();
    const std::int16_t* __restrict w = weights.data();
    std::size_t j = 0;
#if defined(__SSE2__)
    // Eight samples at a time, exactly as below: the 32-bit products from
    // the low and high halves, the truncating division as a shift after
    // adding 16383 to negative products, the 32-bit sums packed to 16 bits
    // with saturation (which keeps their order) and clipped there.
    const __m128i round = _mm_set1_epi32(kWindowOne - 1);
    const __m128i high = _mm_set1_epi16(static_cast<std::int16_t>(kClipLevel));
    const __m128i low = _mm_set1_epi16(static_cast<std::int16_t>(-kClipLevel));
    for (; j + 8 <= n; j += 8) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
        const __m128i wv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + j));
        const __m128i ov = _mm_loadu_si128(reinterpret_cast<const __m128i*>(o + j));
        const __m128i plo = _mm_mullo_epi16(sv, wv);
        const __m128i phi = _mm_mulhi_epi16(sv, wv);
        __m128i p0 = _mm_unpacklo_epi16(plo, phi);
        __m128i p1 = _mm_unpackhi_epi16(plo, phi);
        p0 = _mm_srai_epi32(_mm_add_epi32(p0, _mm_and_si128(_mm_srai_epi32(p0, 31), round)), 14);
        p1 = _mm_srai_epi32(_mm_add_epi32(p1, _mm_and_si128(_mm_srai_epi32(p1, 31), round)), 14);
        const __m128i o0 = _mm_srai_epi32(_mm_unpacklo_epi16(ov, ov), 16);
        const __m128i o1 = _mm_srai_epi32(_mm_unpackhi_epi16(ov, ov), 16);
        __m128i sum = _mm_packs_epi32(_mm_add_epi32(o0, p0), _mm_add_epi32(o1, p1));
        sum = _mm_min_epi16(_mm_max_epi16(sum, low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + j), sum);
    }
#endif
    for (; j < n; ++j) {
        const std::int32_t v = static_cast<std::int32_t>(s[j]) * w[j] / kWindowOne;
        const std::int32_t sum = std::clamp(o[j] + v, -kClipLevel, kClipLevel);
        o[j] = static_cast<std::int16_t>(sum);
    }
}

std::size_t NextCapacity(std::size_t capacity, std::size_t need) {
    if (capacity == 0 || capacity < need) return need;
    if (capacity / 10 > need) return capacity / 2;
    return capacity;
}

}  // namespace tarvox
