#include "text/character_filter.h"

#include <array>
#include <vector>

#include "base/diag.h"
#include "base/profile.h"

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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int ByteReadings::Read(const Profile& profile) {
    *this = ByteReadings();
    std::vector<std::string> items;
    if (profile.GetItems("znaki_1250", '\t', items) < 0) return 0;
    if (items.size() % 2 != 0) {
        ReportError("Napaka: v ini datoteki (ini_gfp): znaki_1250");
        return -1;
    }
    for (std::size_t i = 0; i < items.size(); i += 2) {
        const std::string& hex = items[i];
        if (hex.size() != 2 || HexDigit(hex[0]) < 0 || HexDigit(hex[1]) < 0) {
            ReportError("Napaka: v ini datoteki (ini_gfp): znaki_1250");
            return -1;
        }
        const auto byte = static_cast<unsigned char>(HexDigit(hex[0]) * 16 + HexDigit(hex[1]));
        std::string text;  // "\xHH" stands for a byte (a blank: "\x20")
        const std::string& item = items[i + 1];
        for (std::size_t k = 0; k < item.size(); ++k) {
            if (item[k] == '\\' && k + 3 < item.size() && item[k + 1] == 'x' && HexDigit(item[k + 2]) >= 0 &&
                HexDigit(item[k + 3]) >= 0) {
                text.push_back(static_cast<char>(HexDigit(item[k + 2]) * 16 + HexDigit(item[k + 3])));
                k += 3;
            } else {
                text.push_back(item[k]);
            }
        }
        Set(byte, text == "=" ? std::string(1, static_cast<char>(byte)) : text == "_" ? std::string() : text);
    }
    present_ = true;
    return 0;
}

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
        if (switches.bytes && c != 0x80 && (c >= 0x80 || (c < 0x20 && c != '\n' && c != '\r'))) {
            if (c < 0x20) {
                out.push_back(' ');
            } else if (const auto& text = switches.bytes->Find(c)) {
                out += *text;
            } else {
                Trace("Znak brez branja: " + std::to_string(c));
                out.push_back(' ');
            }
        } else if (switches.sumniki_z_narekovaji && c == '"') {
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
