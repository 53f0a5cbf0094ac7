#include "synth/unit_selection.h"

#include <algorithm>
#include <new>
#include <string>

#include "base/diag.h"
#include "lexicon/sampa.h"
#include "synth/messages.h"

namespace tarvox {

UnitMatch LongestMatch(std::span<const std::uint8_t> sentence, std::size_t start,
                   const VoiceDatabase& db) {
    UnitMatch best;
    if (start + 3 > sentence.size()) return best;
    const std::span<const std::int32_t> occurrences = db.Triphones().Find(sentence.subspan(start, 3));
    const std::span<const std::uint8_t> text = db.Transcription();
    const std::size_t limit = sentence.size() - start;  // never past the sentence
    for (const std::int32_t o : occurrences) {
        const auto origin = static_cast<std::size_t>(o);
        std::size_t len = 3;
        while (len < limit && origin + len < text.size() && text[origin + len] == sentence[start + len])
            ++len;
        if (static_cast<std::int32_t>(len) > best.length) best = {o, static_cast<std::int32_t>(len)};
        if (len == limit) break;  // nothing can be longer
    }
    return best;
}

namespace {

// The cost refinement: where a cheaper phoneme inside the match starts a
// longer match of its own, cut the unit after that phoneme when the join
// there is not dearer than the join at the end.
std::int32_t RefineLength(std::span<const std::uint8_t> sentence, std::size_t i, std::int32_t length,
                          const VoiceTables& tables) {
    const CostTable& costs = tables.costs;
    auto cost_at = [&](std::int32_t offset) { return costs.Cost(sentence[i + offset]); };
    std::int32_t u = 0;
    while (u < length) {
        std::int32_t c = u;
        for (std::int32_t p = u + 1; p < length; ++p)
            if (cost_at(p) <= cost_at(c)) c = p;  // later position wins a tie
        if (c != length - 1) {
            const std::int32_t m = LongestMatch(sentence, i + c, tables.db).length;
            if (length - c < m) {
                const std::int64_t a = cost_at(c);
                const std::int64_t b = cost_at(length - 1);
                const std::int64_t e =
                    costs.MinCost(sentence.subspan(i + length, static_cast<std::size_t>(c + m - length)));
                if (e + a <= b) return c + 1;
            }
        }
        u = c + 1;
    }
    return length;
}

}  // namespace

std::optional<std::vector<SelectedUnit>> MakeSentence(std::span<const std::uint8_t> sentence,
                                              const VoiceTables& tables) {
    try {
        std::vector<SelectedUnit> units;
        const VoiceDatabase& db = tables.db;
        std::size_t i = 0;
        while (i < sentence.size()) {
            const auto here = static_cast<std::int32_t>(i);
            const UnitMatch match = LongestMatch(sentence, i, db);
            if (match.length == 0) {
                const std::span<const std::int32_t> pair =
                    i + 2 <= sentence.size() ? db.Diphones().Find(sentence.subspan(i, 2))
                                             : std::span<const std::int32_t>();
                if (!pair.empty()) {
                    units.push_back({pair.front(), 2, here});
                } else if (const std::span<const std::int32_t> one = db.Alophones().Find(sentence.subspan(i, 1));
                           !one.empty()) {
                    units.push_back({one.front(), 1, here});
                } else {
                    Trace(SynthMessage("Error in function \"MakeSentence\". Can't find the "
                                              "symbol '%c'.",
                                              static_cast<char>(sentence[i])));
                }
                ++i;
                continue;
            }
            const std::int32_t length = RefineLength(sentence, i, match.length, tables);
            units.push_back({match.occurrence, length, here});
            // The next unit starts on this one's last symbol.
            i += static_cast<std::size_t>(std::max(length - 1, 1));
        }
        return units;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

namespace {

bool PitchOutOfLimits(std::int32_t f) { return f != 0 && (f < kMinPitch || f > kMaxPitch); }

std::int32_t ClampPitch(std::int32_t f) {
    if (f == 0) return 0;
    return std::clamp(f, kMinPitch, kMaxPitch);
}

}  // namespace

int InitAlophones(std::span<const PhonemeRecord> records, const VoiceTables& tables,
                  std::vector<SelectedUnit>& units, std::vector<AlophoneEntry>& entries) {
    entries.clear();
    units.clear();
    std::size_t n = 0;
    while (n < records.size() && records[n].symbol[0] != '\0') ++n;
    records = records.first(n);

    std::vector<std::uint8_t> sentence;
    sentence.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::string_view name = SymbolOf(records[k].symbol);
        const std::string_view symbol = ConvertSAMPA(name);
        if (symbol.empty()) {
            Trace(SynthMessage(
                "TPsola::Init>>Error reading input alophones data>>SAMPA symbol \"%.*s\" at "
                "position %d in input array could not be converted to byte symbol using function "
                "ConvertSAMPA. The array of alophones was left empty.",
                static_cast<int>(name.size()), name.data(), static_cast<int>(k)));
            return -1;
        }
        sentence.push_back(static_cast<std::uint8_t>(symbol[0]));
    }

    std::optional<std::vector<SelectedUnit>> made = MakeSentence(sentence, tables);
    if (!made) {
        Trace(SynthMessage("TPsola::Init>>Error finding longest continuous segment in "
                                  "database>>Function MakeSentence returned NULL, when trying to "
                                  "segment the sentence \"%.*s\"",
                                  static_cast<int>(sentence.size()),
                                  reinterpret_cast<const char*>(sentence.data())));
        return -1;
    }
    units = std::move(*made);

    const VoiceDatabase& db = tables.db;
    const std::span<const std::uint8_t> text = db.Transcription();
    const std::span<const std::int32_t> win_index = db.WinIndex();
    const std::span<const std::int32_t> windows = db.Windows();
    const auto n_a = static_cast<std::int64_t>(win_index.size());
    const auto n_m = static_cast<std::int64_t>(windows.size());
    const std::int64_t n_s = db.SampleCount();
    int result = 0;

    for (const SelectedUnit& unit : units) {
        for (std::int32_t j = 0; j < unit.length; ++j) {
            const std::int64_t a = static_cast<std::int64_t>(unit.db_position) + j;
            const std::int64_t k = static_cast<std::int64_t>(unit.sentence_position) + j;
            if (a < 0 || a > n_a - 2 || a >= static_cast<std::int64_t>(text.size())) {
                Trace(SynthMessage(
                    "TPsola::Init>>Invalid alophone found>>Function MakeSentence returned index of "
                    "the alophone %d, which is not located within database. Valid indexes are "
                    "from 0 to %d. Note that the last alophone in database is not valid, since the "
                    "algorithem needs reference to the next one. The alophone was skipped.",
                    static_cast<int>(a), static_cast<int>(n_a - 2)));
                result = -2;
                continue;
            }
            const auto symbol = static_cast<char>(text[static_cast<std::size_t>(a)]);
            if (k < 0 || k > static_cast<std::int64_t>(n) - 1) {
                Trace(SynthMessage(
                    "TPsola::Init>>Invalid alophone found>>Function MakeSentence returned index of "
                    "the alophone with byte name \"%c\" which could not be found in input string. "
                    "Index was %d. Valid indexes are from 0 to %d. The alophone was skipped.",
                    symbol, static_cast<int>(k), static_cast<int>(n) - 1));
                result = -2;
                continue;
            }
            const PhonemeRecord& r = records[static_cast<std::size_t>(k)];
            const std::string name(SymbolOf(r.symbol));
            const int ai = static_cast<int>(a);
            const int ki = static_cast<int>(k);

            AlophoneEntry e;
            e.symbol = static_cast<std::uint8_t>(symbol);
            e.db_index = static_cast<std::int32_t>(a);
            e.pitch_start = r.pitch_start;
            e.pitch_mid = r.pitch_mid;
            e.pitch_end = r.pitch_end;
            e.duration = r.duration;
            if (PitchOutOfLimits(e.pitch_start) || PitchOutOfLimits(e.pitch_mid) ||
                PitchOutOfLimits(e.pitch_end) || e.duration < 0 || e.duration > kMaxDuration) {
                Trace(SynthMessage(
                    "TPsola::Init>>Invalid alophone data>>Frequency or duration of the alophone in "
                    "input array was out of the limits. Frequency should be between %dHz and %dHz "
                    "and duration should be between 0 and %dms. The alophone was skipped.     "
                    "Alophone data: byte name=\"%c\", SAMPA name=\"%s\", index in database=%d, "
                    "position in input array=%d, start frequency=%dHz, middle frequency=%dHz, end "
                    "frequency=%dHz, duration=%dms",
                    kMinPitch, kMaxPitch, kMaxDuration, symbol, name.c_str(), ai, ki,
                    e.pitch_start, e.pitch_mid, e.pitch_end, e.duration));
                result = -2;
                if (e.duration < 0) continue;
                e.pitch_start = ClampPitch(e.pitch_start);
                e.pitch_mid = ClampPitch(e.pitch_mid);
                e.pitch_end = ClampPitch(e.pitch_end);
                e.duration = std::min(e.duration, kMaxDuration);
            }

            const std::int32_t m0 = win_index[static_cast<std::size_t>(a)];
            const std::int32_t m1 = win_index[static_cast<std::size_t>(a) + 1];
            if (m0 < 0 || m0 > n_m - 2 || m1 < 0 || m1 > n_m - 2) {
                Trace(SynthMessage(
                    "TPsola::Init>>Invalid marker index>>Index of a marker for alophone is invalid. "
                    "This index should be between 0 and %d. Note that the last marker in database "
                    "is also invalid, because the algorithm needs reference to the next marker in "
                    "database. Check and correct the entry in the database for this partiucular "
                    "alophone. The alophone was skipped.     Alophone data: byte name=\"%c\", "
                    "SAMPA name=\"%s\", index in database=%d, position in input array=%d",
                    static_cast<int>(n_m - 2), symbol, name.c_str(), ai, ki));
                result = -2;
                continue;
            }
            const std::int64_t first_sample = windows[static_cast<std::size_t>(m0)];
            const std::int64_t last_sample = windows[static_cast<std::size_t>(m1)];
            const std::int64_t span = last_sample - first_sample;
            if (span < 0 || span * 1000 / kSampleRate > kMaxDuration) {
                Trace(SynthMessage(
                    "TPsola::Init>>Invalid alophone in wave database>>Duration of the alophone in "
                    "database was found to be either negative or longer than %dms. Check and "
                    "correct the wave database. The alophone was skipped.     Alophone data: byte "
                    "name=\"%c\", SAMPA name=\"%s\", index in database=%d, position in input "
                    "array=%d, first sample of the alophone=%d, last sample of the alophone=%d",
                    kMaxDuration, symbol, name.c_str(), ai, ki, static_cast<int>(first_sample),
                    static_cast<int>(last_sample)));
                result = -2;
                continue;
            }
            bool usable = true;
            for (std::int32_t m = m0; m < m1; ++m) {
                const std::int64_t position = windows[static_cast<std::size_t>(m)];
                if (position - kMarkerMargin < 0 || position + kMarkerMargin >= n_s) {
                    Trace(SynthMessage(
                        "TPsola::Init>>Marker too close to the beginning or the end of wave "
                        "database>>Marker doesn't have enough samples around it to perform "
                        "windowing. This means that the marker is too close to the either "
                        "beginning or the end of the wave database. Check and correct the entry in "
                        "the database for this partiucular alophone. The alophone was skipped.     "
                        "Alophone data: byte name=\"%c\", SAMPA name=\"%s\", index in database=%d, "
                        "position in input array=%d, marker index in database=%d",
                        symbol, name.c_str(), ai, ki, m));
                    usable = false;
                    break;
                }
                const std::int64_t period = windows[static_cast<std::size_t>(m) + 1] - position;
                // A period of 0 (or less) is no frequency at all.
                const std::int64_t f = period > 0 ? kSampleRate / period : 0;
                if (f < kMinPitch || f > kMaxPitch) {
                    Trace(SynthMessage(
                        "TPsola::Init>>Invalid frequency of the alophone in wave database>>Distance "
                        "between two consequent markers in wave database was found to be greater "
                        "than %d or less than %d samples. As a consequence, the frequency at some "
                        "point within the alophone was less than %dHz or more than %dHz. Check and "
                        "correct the entry in the database for this partiucular alophone. The "
                        "alophone was skipped.     Alophone data: byte name=\"%c\", SAMPA "
                        "name=\"%s\", index in database=%d, position in input array=%d, marker "
                        "index in database=%d, frequency found within the database=%dHz",
                        kMaxPeriod, kMinPeriod, kMinPitch, kMaxPitch, symbol, name.c_str(), ai, ki,
                        m, static_cast<int>(f)));
                    usable = false;
                    break;
                }
                e.markers.push_back({m, 0});
            }
            if (!usable) {
                result = -2;
                continue;
            }
            if (e.markers.empty()) {
                Trace(SynthMessage(
                    "TPsola::Init>>Empty alophone>>No markers were found for alophone in wave "
                    "database. The alophone should probably be removed from the wave database. The "
                    "alophone was skipped. Alophone data: byte name=\"%c\", SAMPA name=\"%s\", "
                    "index in database=%d, position in input array=%d",
                    symbol, name.c_str(), ai, ki));
                result = -2;
                continue;
            }
            entries.push_back(std::move(e));
        }
    }
    return result;
}

namespace {

std::int32_t RecordedMarkers(const VoiceDatabase& db, std::int32_t a) {
    const std::span<const std::int32_t> win_index = db.WinIndex();
    if (a < 0 || static_cast<std::size_t>(a) + 1 >= win_index.size()) return 0;
    return std::max(0, win_index[static_cast<std::size_t>(a) + 1] - win_index[static_cast<std::size_t>(a)]);
}

}  // namespace

void GlueAlophones(std::vector<AlophoneEntry>& entries, const VoiceDatabase& db) {
    if (entries.size() < 2) {
        entries.clear();
        return;
    }
    std::vector<AlophoneEntry> glued;
    glued.reserve(entries.size());
    std::size_t g = 0;            // pending entry of the old list
    bool prev_is_glued = false;   // prev: the last glued entry, or entries[g]
    auto prev = [&]() -> AlophoneEntry& { return prev_is_glued ? glued.back() : entries[g]; };

    for (std::size_t cur = 1; cur < entries.size(); ++cur) {
        const AlophoneEntry& c = entries[cur];
        const bool follows_g = cur == g + 1;
        if (c.db_index == prev().db_index + 1) {
            // Continuation: the recordings follow each other.
            if (follows_g) {
                glued.push_back(entries[g]);
                if (g == 0) {
                    AlophoneEntry& first = glued.back();
                    first.markers.erase(first.markers.begin(),
                                        first.markers.begin() + static_cast<std::ptrdiff_t>(first.markers.size() / 2));
                    first.duration /= 2;
                }
            }
            g = cur;
            prev_is_glued = false;
        } else if (c.symbol == prev().symbol) {
            // Shared phoneme: splice the two recordings at its middle.
            if (follows_g || glued.empty()) glued.push_back(entries[g]);
            prev_is_glued = true;
            AlophoneEntry& p = glued.back();
            p.markers.resize(p.markers.size() / 2);
            p.markers.insert(p.markers.end(),
                             c.markers.begin() + static_cast<std::ptrdiff_t>(c.markers.size() / 2),
                             c.markers.end());
            p.db_index = c.db_index;
            if (p.pitch_start != 0 && c.pitch_start != 0) {
                p.pitch_start = (p.pitch_start + c.pitch_start) / 2;
                p.pitch_mid = (p.pitch_mid + c.pitch_mid) / 2;
                p.pitch_end = (p.pitch_end + c.pitch_end) / 2;
            } else {
                p.pitch_start = 0;
            }
            p.duration = (p.duration != 0 && c.duration != 0) ? (p.duration + c.duration) / 2 : 0;
        } else {
            // No recorded transition: butt the two together after trimming.
            Trace(SynthMessage("TPsola::Glue>>Diphone not found>>Diphone (%c,%c) was not "
                                      "found in wave database. Temporary glueing alophones "
                                      "together. Update the master wave database to include that "
                                      "diphone!",
                                      static_cast<char>(prev().symbol), static_cast<char>(c.symbol)));
            const std::size_t n = static_cast<std::size_t>(RecordedMarkers(db, entries[g].db_index));
            if (follows_g || glued.empty()) glued.push_back(entries[g]);
            AlophoneEntry& p = glued.back();
            if (p.pitch_start != 0 && c.pitch_start != 0) {
                p.pitch_end = c.pitch_end;
                p.pitch_mid = (p.pitch_start + p.pitch_end) / 2;
            } else {
                p.pitch_start = 0;
            }
            p.markers.resize(p.markers.size() - std::min(p.markers.size(), n / 10));
            AlophoneEntry copy = c;
            copy.markers.erase(copy.markers.begin(),
                               copy.markers.begin() + static_cast<std::ptrdiff_t>(c.markers.size() / 10));
            glued.push_back(std::move(copy));
            prev_is_glued = true;
        }
    }
    entries = std::move(glued);
}

}  // namespace tarvox
