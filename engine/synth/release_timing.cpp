#include "synth/release_timing.h"

#include <algorithm>
#include <string_view>

#include "lexicon/sampa.h"

namespace tarvox {

std::int32_t RecordedLength(const AlophoneEntry& e, std::span<const std::int32_t> marker_positions) {
    std::int64_t samples = 0;
    for (std::size_t i = 0; i + 1 < e.markers.size(); ++i) {
        const auto m = static_cast<std::size_t>(e.markers[i].index);
        if (m + 1 >= marker_positions.size()) break;
        samples += marker_positions[m + 1] - marker_positions[m];
    }
    return static_cast<std::int32_t>(samples * 1000 / kSampleRate);
}

void FitReleasesIntoClosures(std::span<AlophoneEntry> entries,
                             std::span<const std::int32_t> marker_positions) {
    const std::uint8_t silent = static_cast<std::uint8_t>(ConvertSAMPA("-").front());
    const std::uint8_t voiced = static_cast<std::uint8_t>(ConvertSAMPA("=").front());
    AlophoneEntry* closure = nullptr;  // the entry before, when it is a closure
    for (AlophoneEntry& e : entries) {
        if (e.markers.empty()) continue;
        if (closure && e.duration == 0) {
            // The plosive's planned time; the closure holds nine tenths of it.
            const std::int32_t planned = closure->duration * 10 / 9;
            const std::int32_t recorded = RecordedLength(e, marker_positions);
            const std::int32_t release = std::min(recorded, planned * 2 / 3);
            if (release < recorded) e.duration = std::max(release, 1);
            closure->duration = std::max(planned - release, 1);
        }
        closure = (e.symbol == silent || e.symbol == voiced) && e.duration > 0 ? &e : nullptr;
    }
}

std::vector<PhonemeRecord> JoinVowelHalves(std::span<const PhonemeRecord> records) {
    static constexpr std::string_view kVowels[] = {"a", "a:", "e:", "E", "E:", "i", "i:",
                                                    "o:", "O", "O:", "u", "u:", "@", "@:"};
    auto vowel = [](std::string_view s) {
        return std::find(std::begin(kVowels), std::end(kVowels), s) != std::end(kVowels);
    };
    std::vector<PhonemeRecord> out;
    out.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const PhonemeRecord& r = records[i];
        const std::string_view name = SymbolOf(r.symbol);
        if (i + 1 < records.size() && vowel(name) && SymbolOf(records[i + 1].symbol) == name &&
            r.duration > 0 && records[i + 1].duration > 0) {
            PhonemeRecord joined = r;
            joined.duration = r.duration + records[i + 1].duration;
            joined.pitch_mid = r.pitch_end;
            joined.pitch_end = records[i + 1].pitch_end;
            out.push_back(joined);
            ++i;
            continue;
        }
        out.push_back(r);
        if (name.empty()) break;
    }
    return out;
}

}  // namespace tarvox
