// The text of a message as the engine is to read it: SSML markup stripped,
// entities decoded, index marks kept with their places; punctuation named
// by the punctuation mode; keys and characters spelled.
#pragma once

#include <cstddef>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox::sd {

struct TextMark {
    std::size_t position;  // byte offset in the plain text
    std::string name;
};

struct PlainText {
    std::string text;  // UTF-8
    std::vector<TextMark> marks;  // in text order
};

// Removes the markup of an SSML message. Elements that separate words
// (s, p, break, ...) leave a space between the words on either side; the
// others vanish. Named <mark/> elements become marks at their place;
// &lt; &gt; &amp; &quot; &apos; and numeric references are decoded, other
// entities stay as written. Text that does not close a tag is kept as text.
PlainText StripSsml(std::string_view ssml);

// Decodes one entity at the start of `text` (which begins with '&'):
// the UTF-8 it stands for and the bytes it takes; {"", 0} when it is none.
std::pair<std::string, std::size_t> DecodeEntity(std::string_view text);

// The UTF-8 encoding of a code point; "" for surrogates, 0 and values
// beyond U+10FFFF.
std::string Utf8Of(char32_t code);

enum class Punctuation { kNone, kSome, kMost, kAll };

// Says the punctuation characters the mode names: each becomes its
// Slovenian name between spaces; sentence punctuation (. , ; : ! ?) keeps
// its character after the name so that the sentence still ends. Marks
// move with the text.
PlainText NamePunctuation(const PlainText& in, Punctuation mode);

// The UTF-8 characters of the text, one string each, white space dropped.
std::vector<std::string> Characters(std::string_view text);

// The text to say for a speech-dispatcher key name ("a", "space",
// "shift_a", "kp-enter", "f5"...): a sequence of pieces, each spoken on
// its own (a single character is spelled by its name).
std::vector<std::string> KeyPieces(std::string_view key);

// True for an upper-case letter (ASCII and the Latin letters of the
// Slovenian and neighbouring alphabets).
bool IsCapital(std::string_view character);

}  // namespace tarvox::sd
