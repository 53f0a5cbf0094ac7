// Capitalisation and acronyms on one sentence: capitalised words are read
// as words, runs of capitals are spelled letter by letter (with the forced
// separator between the letters), kept as dictionary entries in their
// capital form, or read as words in text written in capitals.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvox {

class CharClasses;

// True when the word, exactly as given, is a dictionary entry.
using CapitalFormLookup = std::function<bool(std::string_view word)>;

// At most this many letters of a capital run are examined.
inline constexpr std::size_t kMaxCapitalRun = 64;

// Rewrites the sentence in place; output bounded at 776 bytes.
// `sms_delovanje`: runs that are no dictionary entry are read as words.
void CapitalsAndAcronyms(std::string& sentence, const CharClasses& classes,
                         const CapitalFormLookup& is_entry, bool sms_delovanje);

}  // namespace tarvox
