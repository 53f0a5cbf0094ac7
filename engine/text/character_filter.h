// The character filter: the first step over every new text. It brings the
// text into the converter's internal letter code, where the Slovenian
// letters are seven-bit characters ("~" for c with caron, "{" for s with
// caron, the grave accent for z with caron, "^" "[" "@" for their capitals).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

class Profile;

// What a voice reads for the bytes of Windows-1250 above 0x7F that the
// letter table leaves alone (the profile list znaki_1250: pairs of the byte
// in hex and its text in the internal letter code; "=" keeps the byte for
// the reading of units, "_" stands for nothing, such as a lone accent).
class ByteReadings {
public:
    // 0 when the list is absent (Present() is then false) or well formed;
    // -1 after "Napaka: v ini datoteki (ini_gfp): znaki_1250".
    int Read(const Profile& profile);
    bool Present() const { return present_; }
    // The text for a byte, or nothing when the list has none.
    const std::optional<std::string>& Find(unsigned char c) const { return table_[c]; }
    void Set(unsigned char c, std::string text) {
        table_[c] = std::move(text);
        present_ = true;
    }

private:
    std::array<std::optional<std::string>, 256> table_{};
    bool present_ = false;
};

// The converter's whole-text buffers hold this many bytes.
inline constexpr std::size_t kTextBufferSize = 10240;
// The filter stops reading once its output holds more than this many bytes.
inline constexpr std::size_t kFilterStop = 10237;

struct FilterSwitches {
    bool podpiraj_ascii7 = false;       // the seven-bit letters are accepted as letters
    bool sumniki_z_narekovaji = false;  // "s "c "z stand for the letters with caron
    bool kovrat_filter = false;         // "<" and ">" become blanks
    // With a table: bytes above 0x7F are read from it, control characters
    // become blanks, and a byte the table lacks is traced, not dropped
    // unseen.
    const ByteReadings* bytes = nullptr;
};

// One byte through the ten-row letter table (ISO 8859-2, Windows-1250 or
// already internal); a byte found in no row comes back unchanged.
unsigned char MapLetter(unsigned char c);

// Filters `in` into `out` (replaced). The output is at most kTextBufferSize
// bytes.
void FilterCharacters(std::string_view in, std::string& out, const FilterSwitches& switches);

}  // namespace tarvox
