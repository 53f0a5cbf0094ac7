// Windows-1250, the 8-bit code page of the engine's text, converted to and
// from Unicode. A character without a mapping becomes "?", as the platform's
// conversion does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

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

}  // namespace tarvox
