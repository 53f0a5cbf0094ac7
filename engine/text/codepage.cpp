#include "text/codepage.h"

#include <array>
#include <cstdint>
#include <vector>

#include "base/diag.h"
#include "base/profile.h"

namespace tarvox {
namespace {

// Code points of the bytes 0x80 to 0xFF; 0 where the code page has none.
constexpr std::array<std::uint16_t, 128> kHigh = {{
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
}};

}  // namespace

char32_t CodePointFromCp1250(unsigned char b) { return b < 0x80 ? b : kHigh[b - 0x80]; }

char Cp1250FromCodePoint(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = -1;
    char32_t cp = 0;
    if (b < 0x80) {
        extra = 0;
        cp = b;
    } else if ((b & 0xE0) == 0xC0) {
        extra = 1;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        cp = b & 0x07;
    }
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) ok = false;
        else cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kShortest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
        ok = false;
    if (!ok) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToCp1250(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) out.push_back(Cp1250FromCodePoint(NextCodePoint(s, i)));
    return out;
}

std::string Utf16ToCp1250(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            ++i;
            out.push_back('?');
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back('?');
        } else {
            out.push_back(Cp1250FromCodePoint(u));
        }
    }
    return out;
}

std::string Cp1250ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        const char32_t cp = CodePointFromCp1250(static_cast<unsigned char>(c));
        if (cp == 0 && c != '\0') out.push_back('?');
        else AppendUtf8(out, cp);
    }
    return out;
}

namespace {

bool IsEmoji(char32_t cp) {
    return (cp >= 0x1F000 && cp <= 0x1FAFF) || (cp >= 0x2600 && cp <= 0x27BF) ||
           (cp >= 0x2B00 && cp <= 0x2BFF) || (cp >= 0x1F1E6 && cp <= 0x1F1FF);
}

// Characters that are read as nothing: joiners, variation selectors,
// combining marks, the byte order mark, soft hyphen's relatives.
bool IsSilent(char32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x200B && cp <= 0x200F) || cp == 0x2060 ||
           (cp >= 0xFE00 && cp <= 0xFE0F) || cp == 0xFEFF || (cp >= 0xE0100 && cp <= 0xE01EF) ||
           (cp >= 0x1F3FB && cp <= 0x1F3FF) || (cp >= 0xE0020 && cp <= 0xE007F);
}

char Cp1250FromLetterCode(char c) {
    switch (c) {
        case '~': return static_cast<char>(0xE8);
        case '^': return static_cast<char>(0xC8);
        case '{': return static_cast<char>(0x9A);
        case '[': return static_cast<char>(0x8A);
        case '`': return static_cast<char>(0x9E);
        case '@': return static_cast<char>(0x8E);
        default: return c;
    }
}

void Unreadable(char32_t cp) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string code;
    for (int shift = cp > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4) code.push_back(kHex[(cp >> shift) & 0xF]);
    Trace("Znak brez branja: U+" + code);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t at = i;
        if (NextCodePoint(bytes, i) == 0xFFFD) {
            // U+FFFD itself, written correctly, is valid.
            if (i - at != 3 || bytes.substr(at, 3) != "\xEF\xBF\xBD") return false;
        }
    }
    return true;
}

void CodePointReadings::Set(char32_t cp, std::string_view text) {
    std::string bytes;
    if (text.size() > 1 && text.front() == '_') {
        // A name, read as a word of its own.
        bytes.push_back(' ');
        for (char c : text.substr(1)) bytes.push_back(c == '_' ? ' ' : Cp1250FromLetterCode(c));
        bytes.push_back(' ');
    } else if (text != "_") {
        for (char c : text) bytes.push_back(Cp1250FromLetterCode(c));
    }
    table_[cp] = std::move(bytes);
}

const std::string* CodePointReadings::Find(char32_t cp) const {
    const auto it = table_.find(cp);
    return it == table_.end() ? nullptr : &it->second;
}

int CodePointReadings::Read(const Profile& profile) {
    table_.clear();
    std::vector<std::string> items;
    if (profile.GetItems("znaki_unicode", '\t', items) < 0) return 0;
    auto fail = [this] {
        table_.clear();
        ReportError("Napaka: v ini datoteki (ini_gfp): znaki_unicode");
        return -1;
    };
    if (items.size() % 2 != 0) return fail();
    for (std::size_t i = 0; i < items.size(); i += 2) {
        const std::string& hex = items[i];
        if (hex.empty() || hex.size() > 6) return fail();
        char32_t cp = 0;
        for (char h : hex) {
            int v = -1;
            if (h >= '0' && h <= '9') v = h - '0';
            else if (h >= 'A' && h <= 'F') v = h - 'A' + 10;
            else if (h >= 'a' && h <= 'f') v = h - 'a' + 10;
            if (v < 0) return fail();
            cp = cp * 16 + static_cast<char32_t>(v);
        }
        Set(cp, items[i + 1]);
    }
    return 0;
}

void AppendEngineText(std::string& out, char32_t cp, const CodePointReadings* readings) {
    if (cp == '\t' || cp == '\n' || cp == '\r') {
        out.push_back(static_cast<char>(cp));
        return;
    }
    if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0 && cp != 0x85)) {
        out.push_back(' ');
        return;
    }
    if (cp == 0x85 || cp == 0x2028 || cp == 0x2029) {
        out.push_back('\n');
        return;
    }
    if (cp == 0x2212 || cp == 0x2010 || cp == 0x2011) {
        out.push_back('-');
        return;
    }
    const char b = Cp1250FromCodePoint(cp);
    if (b != '?' || cp == '?') {
        out.push_back(b);
        return;
    }
    if (!readings) {
        out.push_back('?');
        return;
    }
    if (const std::string* text = readings->Find(cp)) {
        out += *text;
        return;
    }
    if (IsSilent(cp)) return;
    Unreadable(cp);
    if (!IsEmoji(cp)) out.push_back(' ');
}

std::string Utf8ToEngineText(std::string_view utf8, const CodePointReadings* readings) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) AppendEngineText(out, NextCodePoint(utf8, i), readings);
    return out;
}

std::string Utf16ToEngineText(std::u16string_view utf16, const CodePointReadings* readings) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendEngineText(out, cp, readings);
    }
    return out;
}

std::string Cp1250ToEngineText(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F) c = ' ';
    }
    return out;
}

}  // namespace tarvox
