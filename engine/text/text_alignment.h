// Where the bytes of a rewritten text came from. The whole-text rewrites
// (character filter, clock times, abbreviations, phrases) replace short
// stretches and copy the rest; aligning the two texts tells, for every
// position of the rewritten text, the position of the original it stands
// for, so that sentence ends found in the rewritten text can be given back
// as places in the text the caller handed in.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tarvox {

// For every position 0..rewritten.size() of `rewritten`, a position in
// `original` (non-decreasing; the end maps to the end). Copied bytes map to
// their source; a replaced stretch maps to the start of what it replaced.
std::vector<std::size_t> AlignRewritten(std::string_view original, std::string_view rewritten);

}  // namespace tarvox
