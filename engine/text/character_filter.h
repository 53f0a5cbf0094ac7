// The character filter: the first step over every new text. It brings the
// text into the converter's internal letter code, where the Slovenian
// letters are seven-bit characters ("~" for c with caron, "{" for s with
// caron, the grave accent for z with caron, "^" "[" "@" for their capitals).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// The converter's whole-text buffers hold this many bytes.
inline constexpr std::size_t kTextBufferSize = 10240;
// The filter stops reading once its output holds more than this many bytes.
inline constexpr std::size_t kFilterStop = 10237;

struct FilterSwitches {
    bool podpiraj_ascii7 = false;       // the seven-bit letters are accepted as letters
    bool sumniki_z_narekovaji = false;  // "s "c "z stand for the letters with caron
    bool kovrat_filter = false;         // "<" and ">" become blanks
};

// One byte through the ten-row letter table (ISO 8859-2, Windows-1250 or
// already internal); a byte found in no row comes back unchanged.
unsigned char MapLetter(unsigned char c);

// Filters `in` into `out` (replaced). The output is at most kTextBufferSize
// bytes.
void FilterCharacters(std::string_view in, std::string& out, const FilterSwitches& switches);

}  // namespace tarvox
