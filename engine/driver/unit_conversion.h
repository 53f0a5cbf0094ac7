// Unit conversion: the stage records of a sentence become the output list of
// phoneme records that the waveform generator renders. Plosives and
// affricates are split into closure and release, long pauses into three
// pieces, a few phonemes take context variants, and every record gets a
// start, middle and end pitch, joined across voiced boundaries and
// interpolated across unvoiced stretches.
#pragma once

#include <span>
#include <vector>

#include "base/records.h"

namespace tarvox {

struct PitchSettings {
    int reference = 0;  // the micro prosody's reference pitch
    int range = 90;     // percent, 1..200
    int offset = 0;     // Hz, -50..50
};

// Fills `out` (the leading pause, the records, the terminator) and returns
// the number of records without the terminator, or -1 when the list cannot
// grow. The adjusted pitch is written back into `in`.
int ConvertUnits(std::span<StageRecord> in, const PitchSettings& settings,
                 std::vector<PhonemeRecord>& out);

}  // namespace tarvox
