// Unit selection and joining: which recorded alophones sound for each input
// phoneme, and how neighbouring recordings are joined.
//
//   MakeSentence covers the sentence (one-byte symbols) with the longest
//     stretches of the recorded transcription ("units"), found through the
//     triphone index and shortened where the join costs show a cheaper cut;
//     diphones and single alophones are the fallbacks. Consecutive units
//     found through the triphone or diphone index share one phoneme.
//   InitAlophones turns every symbol of every unit into an alophone entry,
//     checking the targets and the recorded data and clamping or skipping
//     what is out of limits (each with its message).
//   GlueAlophones joins neighbours: continuations stay, a shared phoneme is
//     spliced at its middle, and alophones without a recorded transition are
//     butted together after trimming.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/records.h"
#include "synth/voice_db.h"

namespace tarvox {

inline constexpr std::int32_t kMinPitch = 40;      // Hz (0 = unvoiced)
inline constexpr std::int32_t kMaxPitch = 500;     // Hz
inline constexpr std::int32_t kMaxDuration = 1500; // ms, target and recorded
inline constexpr std::int32_t kMinPeriod = 32;     // samples
inline constexpr std::int32_t kMaxPeriod = 400;    // samples
inline constexpr std::int32_t kMarkerMargin = 400; // samples around a marker

// One unit: `length` transcription symbols from `db_position` sound for the
// sentence symbols from `sentence_position`.
struct SelectedUnit {
    std::int32_t db_position;
    std::int32_t length;
    std::int32_t sentence_position;
    bool operator==(const SelectedUnit&) const = default;
};

struct PitchMarker {
    std::int32_t index;   // marker (pitch mark) in the database
    std::int32_t offset;  // filled by synthesis: recorded periods before it
    bool operator==(const PitchMarker&) const = default;
};

struct AlophoneEntry {
    std::uint8_t symbol = 0;
    std::int32_t db_index = 0;  // transcription position of the recording
    std::int32_t pitch_start = 0;
    std::int32_t pitch_mid = 0;
    std::int32_t pitch_end = 0;
    std::int32_t duration = 0;  // ms; 0 keeps the recorded length
    std::vector<PitchMarker> markers;
};

// The longest recorded stretch that matches the sentence from `start`
// (found through the triphone index): the first occurrence that reaches the
// greatest length. Length 0 when the three symbols are not indexed.
struct UnitMatch {
    std::int32_t occurrence = -1;
    std::int32_t length = 0;
};
UnitMatch LongestMatch(std::span<const std::uint8_t> sentence, std::size_t start,
                   const VoiceDatabase& db);

// The units covering the sentence; nothing when memory runs out. Symbols no
// index knows are dropped with a message.
std::optional<std::vector<SelectedUnit>> MakeSentence(std::span<const std::uint8_t> sentence,
                                              const VoiceTables& tables);

// Builds `entries` from the phoneme records (up to the record with an empty
// symbol). 0 when every alophone passed unchanged, -2 when one was skipped or
// clamped, -1 when the sentence cannot be built (entries empty). `units`
// receives MakeSentence's result.
int InitAlophones(std::span<const PhonemeRecord> records, const VoiceTables& tables,
                  std::vector<SelectedUnit>& units, std::vector<AlophoneEntry>& entries);

// Joins the entries in place (lists of fewer than two entries become empty).
void GlueAlophones(std::vector<AlophoneEntry>& entries, const VoiceDatabase& db);

}  // namespace tarvox
