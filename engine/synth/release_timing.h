// Timing helpers of the renderer for voices that keep to the plan.
//
// Plosives whose closure and release together take the time the prosody
// planned. The unit conversion gives a plosive's closure ("-" or "=") nine
// tenths of the plosive's duration and its release a duration of 0, so
// that the release keeps its recorded length; rendered as it comes, every
// plosive then runs long by its release less the tenth left for it. Here
// the closure gives up the release's recorded length instead: the closure
// and the release together take the plosive's whole duration (the closure
// times 10/9). A release longer than two thirds of that time (at fast
// rates) is shortened to two thirds, so that the closure keeps a third.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/records.h"

#include "synth/unit_selection.h"

namespace tarvox {

// The recorded length of an entry's markers (ms, truncated): the periods
// from its first marker to its last.
std::int32_t RecordedLength(const AlophoneEntry& e, std::span<const std::int32_t> marker_positions);

// Rewrites the duration of every closure that a release of duration 0
// follows (and the release's, where it is shortened). Entries without
// markers are passed over.
void FitReleasesIntoClosures(std::span<AlophoneEntry> entries,
                             std::span<const std::int32_t> marker_positions);

// Two records of one vowel in a row (the prosody writes a final stressed
// vowel in two halves to carry a rise or fall inside it) as one record: the
// durations summed, the pitch from the first's start through the point
// where they meet (the first's end) to the second's end, so that one
// recording sounds for the whole vowel. Other records are copied; the
// terminator (empty symbol) ends the list.
std::vector<PhonemeRecord> JoinVowelHalves(std::span<const PhonemeRecord> records);

}  // namespace tarvox
