// Pitch of a word: base targets by the word's place in the phrase, vowel
// table values, the accent contour on the stressed syllable, limits on the
// jumps between syllable nuclei, interpolation through unvoiced stretches
// and a small jitter.
#include <algorithm>
#include <cmath>

#include "base/diag.h"
#include "prosody/mikro.h"

namespace tarvox {

namespace {

int At(const std::vector<std::int32_t>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)] : 0;
}

}  // namespace

char TMikro::AccentType(const MikroWord& w) const {
    auto ends_in_vowel = [&](const Syllable& s) {
        return s.last >= 0 && w.IsVowel(static_cast<std::size_t>(s.last));
    };
    const int rule = p_.k[kAccentRule];
    switch (rule) {
        case 0:
            return w.FirstStressed() >= 0 ? 'a' : 'c';
        case 1:
        case 4: {
            char type = 'c';
            for (const Syllable& s : w.syllables)
                if (s.stress != 0)
                    type = ends_in_vowel(s) || (rule == 4 && w.syllables.size() > 3) ? 'a' : 'c';
            return type;
        }
        case 2:
            return 'a';
        case 3:
            return 'c';
        default:
            ReportError("Napaka pri dolocanju 'a' oziroma 'c'");
            return 'c';
    }
}

void TMikro::Pitch(MikroWord& w) {
    const auto& k = p_.k;
    const int n = static_cast<int>(w.phonemes.size());
    const int syllables = static_cast<int>(w.syllables.size());
    w.pitch.assign(static_cast<std::size_t>(n), 0);
    auto pitch = [&](int i) -> int& { return w.pitch[static_cast<std::size_t>(i)]; };
    auto nucleus = [&](int s) -> int& {
        return pitch(std::clamp(w.syllables[static_cast<std::size_t>(s)].nucleus, 0, n - 1));
    };

    // 1. Targets.
    int base = k[kBasePitch], first = k[kFirstConsonantPitch], last = k[kLastConsonantPitch];
    if (w.position == 'Z') base = k[kFirstWordBasePitch], first = k[kFirstWordFirstPitch], last = k[kFirstWordLastPitch];
    if (w.position == 'K') base = k[kLastWordBasePitch], first = k[kLastWordFirstPitch], last = k[kLastWordLastPitch];
    for (int i = 0; i < n; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        if (!w.IsVowel(ui)) {
            if (i == 0) pitch(i) = first + base;
            if (i == n - 1) pitch(i) = last + base;
            continue;
        }
        const int s = w.SyllableOf(ui);
        const char c = p_.names[static_cast<std::size_t>(w.phonemes[ui])][0];
        if (s >= 0 && w.syllables[static_cast<std::size_t>(s)].stress != 0) {
            const int cls = StressedClass(c, "Napaka pri  visinah naglasenih samoglasnikov (");
            pitch(i) = At(p_.stressed_pitch, (w.column[ui] - 1) + 4 * cls) + base;
        } else {
            const int cls = UnstressedClass(c, "Napaka pri  visinah nenaglasenih samoglasnikov (");
            pitch(i) = At(p_.unstressed_pitch, 4 * cls) + base;
        }
    }
    if (syllables == 0) return;
    if (w.position == 'K') nucleus(syllables - 1) += k[kLastWordNucleusRise];

    // 2. Accent shaping on the first stressed syllable.
    const bool type_a = w.accent_type == 'a';
    const int s = std::max(w.FirstStressed(), 0);
    if (w.word_class == 'b') {
        int add[3] = {k[kStressedRiseA], k[kNextRiseA], k[kSecondNextRiseA]};
        if (!type_a) {
            const bool short_word = k[kAccentRule] == 4 && syllables < 3;
            add[0] = short_word ? k[kShortStressedRiseC] : k[kStressedRiseC];
            add[1] = short_word ? k[kShortNextRiseC] : k[kNextRiseC];
            add[2] = 0;
        }
        for (int j = 0; j < 3 && s + j < syllables; ++j) nucleus(s + j) += add[j];
    } else if (w.syllables[0].stress != 0) {
        nucleus(0) += type_a ? k[kOneNucleusRiseA] : k[kOneNucleusRiseC];
        if (std::clamp(w.syllables[0].nucleus, 0, n - 1) != n - 1)
            pitch(n - 1) = nucleus(0) + (type_a ? k[kOneNucleusLastA] : k[kOneNucleusLastC]);
    }

    // 3. Limits on the jumps between nuclei.
    const int rise = type_a ? k[kLargestRiseA] : k[kLargestRiseC];
    const int fall = type_a ? k[kLargestFallA] : k[kLargestFallC];
    if (!type_a) nucleus(0) = std::min(nucleus(0), first + base + k[kLargestRiseC]);
    for (int j = 1; j < syllables; ++j) nucleus(j) = std::min(nucleus(j), nucleus(j - 1) + rise);
    for (int j = 0; j + 1 < syllables; ++j)
        nucleus(j) = std::min(nucleus(j), nucleus(j + 1) + fall);

    // 4. Runs of zeros between two pitched phonemes, filled linearly in time
    // measured at phoneme midpoints.
    std::vector<double> middle(static_cast<std::size_t>(n));
    double elapsed = 0;
    for (int i = 0; i < n; ++i) {
        const double d = w.duration[static_cast<std::size_t>(i)];
        middle[static_cast<std::size_t>(i)] = elapsed + d / 2.0;
        elapsed += d;
    }
    for (int i = 1; i < n; ++i) {
        if (pitch(i) != 0 || pitch(i - 1) == 0) continue;
        int j = i;
        while (j < n && pitch(j) == 0) ++j;
        if (j == n) break;  // the run reaches the end of the word: it stays 0
        const double t0 = middle[static_cast<std::size_t>(i - 1)];
        const double t1 = middle[static_cast<std::size_t>(j)];
        const double p0 = pitch(i - 1), p1 = pitch(j);
        for (int m = i; m < j; ++m) {
            const double x = t1 > t0 ? (middle[static_cast<std::size_t>(m)] - t0) / (t1 - t0) : 0.0;
            pitch(m) = static_cast<int>(p0 + (p1 - p0) * x + 0.5);
        }
        i = j;
    }

    // 5. Jitter: a whole number in -K[46] .. K[46], from the generator that
    // every run re-seeds.
    if (k[kJitter] > 0) {
        const int amplitude = std::min(k[kJitter], 1 << 20);
        const auto span = static_cast<std::uint32_t>(2 * amplitude + 1);
        for (int i = 0; i < n; ++i) pitch(i) += static_cast<int>(jitter_() % span) - amplitude;
    }
}

}  // namespace tarvox
