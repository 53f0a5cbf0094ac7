// Windows-1250, the 8-bit code page of the engine's text, converted to and
// from Unicode. A character without a mapping becomes "?", as the platform's
// conversion does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarvox {

class Profile;

// One Unicode code point to Windows-1250; '?' when it has no mapping.
char Cp1250FromCodePoint(char32_t cp);
// One Windows-1250 byte to its code point (0 for the five unassigned bytes).
char32_t CodePointFromCp1250(unsigned char b);

// UTF-8 to Windows-1250; malformed sequences become "?".
std::string Utf8ToCp1250(std::string_view utf8);
// UTF-16 to Windows-1250; unpaired surrogates become "?".
std::string Utf16ToCp1250(std::u16string_view utf16);
// Windows-1250 to UTF-8.
std::string Cp1250ToUtf8(std::string_view text);

// The code point of the UTF-8 sequence at `i`, moving `i` past it. A
// malformed, overlong or surrogate sequence, or one beyond U+10FFFF, gives
// U+FFFD and moves `i` one byte on. `i` must be inside the text.
char32_t NextCodePoint(std::string_view utf8, std::size_t& i);
// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or a value
// beyond U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);
// UTF-8 to UTF-16 and back; malformed sequences and unpaired surrogates
// become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when the bytes are well-formed UTF-8 (no overlong form, surrogate or
// value beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// What a voice reads for the characters that Windows-1250 lacks: letters of
// other alphabets (Cyrillic, Greek, Latin letters such as o with stroke),
// symbols and emoji. The profile list znaki_unicode holds pairs of a code
// point in hex and its text in the converter's letter code: a letter's
// reading ("Zh" -> "`"), a name read as a word of its own when it begins
// with "_" (further "_" are blanks: "_srce"), or "_" alone for nothing. The
// text is kept in Windows-1250.
class CodePointReadings {
public:
    // 0 when the list is absent (Present() is then false) or well formed;
    // -1 after "Napaka: v ini datoteki (ini_gfp): znaki_unicode".
    int Read(const Profile& profile);
    bool Present() const { return !table_.empty(); }
    // The Windows-1250 text for a code point, or null.
    const std::string* Find(char32_t cp) const;
    // `text` in the converter's letter code.
    void Set(char32_t cp, std::string_view text);

private:
    std::unordered_map<char32_t, std::string> table_;
};

// Text for the engine, one code point at a time:
//   - a character of Windows-1250 is its byte (one byte per character);
//   - NUL and the other control characters except tab, line feed and
//     carriage return are blanks; a line or paragraph separator is a line
//     feed; the minus sign and the Unicode hyphens are "-";
//   - otherwise the voice's text from `readings`; joiners, variation
//     selectors and combining marks are nothing; an emoji without a name in
//     `readings` is skipped, any other character becomes a blank, and both
//     are reported on the trace ("Znak brez branja: U+XXXX").
// Without readings every other character becomes "?", as the platform's
// conversion gives.
void AppendEngineText(std::string& out, char32_t cp, const CodePointReadings* readings);
std::string Utf8ToEngineText(std::string_view utf8, const CodePointReadings* readings);
std::string Utf16ToEngineText(std::u16string_view utf16, const CodePointReadings* readings);
// Bytes taken as Windows-1250 text (for input that is not UTF-8): NUL and
// the other control characters except tab, line feed and carriage return
// become blanks.
std::string Cp1250ToEngineText(std::string_view bytes);

}  // namespace tarvox
