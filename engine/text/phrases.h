// Phrase substitution over the whole text: words and runs of words found in
// the phrase lists are replaced by their replacement texts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

class CharClasses;

// Looks a lower-cased key ("word" or "word word ...") up in the phrase
// lists; the replacement text, or nothing.
using PhraseLookup = std::function<std::optional<std::string_view>(std::string_view key)>;

// Tokens of at most this many bytes are looked up.
inline constexpr std::size_t kMaxPhraseToken = 64;

// Rewrites `text` in place (at most `limit` bytes). Tokens are cut at
// blanks and at sentence-final and non-final punctuation; at each token the
// longest key found wins: the token alone, then joined with the following
// tokens (separated by blanks only) while each longer key is found.
void SubstitutePhrases(std::string& text, const PhraseLookup& lookup, const CharClasses& classes,
                       std::size_t limit = 10240);

}  // namespace tarvox
