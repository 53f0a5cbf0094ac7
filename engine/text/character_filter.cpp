#include "text/character_filter.h"

#include <array>

namespace tarvox {
namespace {

struct LetterRow {
    unsigned char internal;
    unsigned char iso;
    unsigned char cp1250;
};

// c, C, s, S, z, Z with caron, then c and C with acute (read as the letters
// with caron), then d and D with stroke (0x7F, written out as "d`").
constexpr std::array<LetterRow, 10> kLetterRows = {{
    {0x7E, 0xE8, 0xE8},
    {0x5E, 0xC8, 0xC8},
    {0x7B, 0xB9, 0x9A},
    {0x5B, 0xA9, 0x8A},
    {0x60, 0xBE, 0x9E},
    {0x40, 0xAE, 0x8E},
    {0x7E, 0xE6, 0xE6},
    {0x5E, 0xC6, 0xC6},
    {0x7F, 0xF0, 0xF0},
    {0x7F, 0xD0, 0xD0},
}};

bool IsSevenBitLetterSign(unsigned char c) {
    switch (c) {
        case 0x60: case '~': case '@': case '^': case '[':
        case '{': case ']': case '}': case '\\': case '|':
            return true;
        default:
            return false;
    }
}

}  // namespace

unsigned char MapLetter(unsigned char c) {
    for (const LetterRow& row : kLetterRows) {
        if (row.iso == c || row.cp1250 == c || row.internal == c) return row.internal;
    }
    return c;
}

void FilterCharacters(std::string_view in, std::string& out, const FilterSwitches& switches) {
    out.clear();
    out.reserve(in.size() + 16);
    for (std::size_t i = 0; i < in.size() && out.size() <= kFilterStop; ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        if (!switches.podpiraj_ascii7 && IsSevenBitLetterSign(c)) c = ' ';
        c = MapLetter(c);
        if (switches.sumniki_z_narekovaji && c == '"') {
            char written = '"';
            if (i + 1 < in.size()) {
                switch (in[i + 1]) {
                    case 's': case 'S': written = '{'; break;
                    case 'c': case 'C': written = '~'; break;
                    case 'z': case 'Z': written = '`'; break;
                    default: break;
                }
                if (written != '"') ++i;
            }
            out.push_back(written);
        } else if (switches.kovrat_filter && (c == '<' || c == '>')) {
            out.push_back(' ');
        } else if ((c >= 0x20 && c <= 0x7E) || c == '\n' || c == '\r' || c == 0xEC) {
            out.push_back(static_cast<char>(c));
        } else if (c == '\t') {
            // A tab separates words like a blank; dropping it would join them.
            out.push_back(' ');
        } else if (c == 0x7F) {
            out += "d`";
        } else if (c == 0x80) {
            out += "EUR ";
        }
    }
    // Multi-byte writes ("d`", "EUR ") after the stop mark must not pass the
    // buffer.
    if (out.size() > kTextBufferSize) out.resize(kTextBufferSize);
}

}  // namespace tarvox
